#pragma once
// The built-in adapter that serves the component's own ads in a network's turn: an ordinary
// banner view or interstitial for the ad unit in the network's "pubid" credential, loaded with
// the request the connector describes. Native ads wait for the native ad loader: not served here
// yet (the connector fails such a request). Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "ads/formats/native/DZAdLoaderDelegate.h"
#include "ads/public/DZMPublicObjectAdapter.h"

class DZAdLoader;
class DZMediatedAd;

class DZMAdapterReriveDiDazAds : public DZMPublicObjectAdapter,
                                 public DZNativeAppInstallAdLoaderDelegate,
                                 public DZNativeContentAdLoaderDelegate {
  public:
    inline static const std::string kClassName = "DZMAdapterReriveDiDazAds";

    static void registerClass();
    DZMAdapterReriveDiDazAds() : DZMPublicObjectAdapter(true) {}

    void getBannerWithSize(DZAdSize size) override;
    void getInterstitial() override;
    std::string adapterVersion() const override;
    std::optional<std::string> networkExtrasClass() const override;
    // Only the content ("1") and app-install ("2") types of those given are asked for: the
    // adapter receives no other kind; with none of them the request fails at once.
    bool getNativeAdWithAdTypes(const std::vector<std::string>& adTypes,
                                const std::vector<nlohmann::json>& options) override;
    void stopBeingDelegate() override;

    const std::shared_ptr<DZAdLoader>& adLoader() const { return adLoader_; }

    // DZAdLoaderDelegate
    void adLoaderDidFailToReceiveAd(DZAdLoader& loader, const DZRequestError::Ref& error) override;
    void adLoaderDidReceiveNativeAppInstallAd(DZAdLoader& loader,
                                              const std::shared_ptr<DZNativeAppInstallAd>& ad) override;
    void adLoaderDidReceiveNativeContentAd(DZAdLoader& loader,
                                           const std::shared_ptr<DZNativeContentAd>& ad) override;

  private:
    void handOn(DZAdLoader& loader, std::shared_ptr<DZMediatedAd> ad);

    std::shared_ptr<DZAdLoader> adLoader_;
};
