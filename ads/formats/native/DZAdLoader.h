#pragma once
// How an app asks for native ads: made with an ad unit, a root view controller, the native ad
// types it shows and its options, it runs a slot of its own whose native responses go through the
// support page (DZAdPreprocessor) into a model (content, app install, custom template) that loads
// its assets before it reaches the delegate; mediated responses come back from the waterfall as
// native ads too. Every load ends in one delegate call. The loader's slot and each live native
// ad's support page take a web view each, so a load fails once when none is left. Pre-processors
// and ads in flight are held here until they finish. Main thread only.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdMediationDelegate.h"
#include "ads/core/slot/DZSlotDelegate.h"
#include "ads/formats/native/DZAdLoaderConfiguration.h"
#include "ads/formats/native/DZAdLoaderDelegate.h"

class DZAdPreprocessor;
class DZNativeAd;
class DZRequest;
class DZSlot;

class DZAdLoader : public DZSlotDelegate,
                   public DZSlotAdResponseDelegate,
                   public DZSlotAdLoadDelegate,
                   public DZAdMediationDelegate,
                   public std::enable_shared_from_this<DZAdLoader> {
  public:
    static std::shared_ptr<DZAdLoader> create(
        const std::string& adUnitID, std::weak_ptr<platform::ui::ViewController> rootViewController,
        const std::vector<std::string>& adTypes,
        const std::vector<std::shared_ptr<const DZAdLoaderOptions>>& options = {});
    ~DZAdLoader() override;
    DZAdLoader(const DZAdLoader&) = delete;
    DZAdLoader& operator=(const DZAdLoader&) = delete;

    // Refused (logged, the earlier delegate kept) when it lacks the receiving interface of one of
    // the loader's ad types; answers whether it was taken.
    bool setDelegate(std::weak_ptr<DZAdLoaderDelegate> delegate);
    std::shared_ptr<DZAdLoaderDelegate> delegate() const { return delegate_.lock(); }
    void loadRequest(const std::shared_ptr<DZRequest>& request);

    const std::string& adUnitID() const { return adUnitID_; }
    std::shared_ptr<platform::ui::ViewController> rootViewControllerForAds() const {
        return rootViewController_.lock();
    }
    const std::optional<DZNativeAdLoaderConfiguration>& adLoaderConfiguration() const {
        return configuration_;
    }
    const std::shared_ptr<DZSlot>& slot() const { return slot_; }
    // The format parameters each model class added to the last load.
    const std::map<DZNativeAdClass, nlohmann::json>& adClassRequestParameters() const {
        return adClassRequestParameters_;
    }
    std::size_t preprocessorsInFlight() const { return adPreprocessors_.size(); }
    std::size_t nativeAdsLoading() const { return nativeAds_.size(); }

    // A native response of the loader's slot (the format registered for it calls this): true when
    // the loader takes it; false, with the error, when it cannot.
    bool processNativeResponse(DZSlot& slot, const std::shared_ptr<DZAd>& ad, platform::ErrorRef* error);
    // The ad's assets are loaded: it goes to the delegate.
    void nativeAdDidFinishLoadingAssets(const std::shared_ptr<DZNativeAd>& ad);

    // DZSlotDelegate
    std::optional<platform::Rect> frame() override;
    std::optional<platform::Rect> bounds() override { return frame(); }
    std::shared_ptr<platform::ui::ViewController> rootViewController() override {
        return rootViewController_.lock();
    }
    // DZSlotAdResponseDelegate
    bool slotShouldProcessAdResponse(DZSlot&, const std::shared_ptr<DZAd>&,
                                     platform::ErrorRef* error) override;
    bool slotShouldProcessMediatedAdResponse(DZSlot&, const std::shared_ptr<DZAd>&,
                                             platform::ErrorRef* error) override;
    // DZSlotAdLoadDelegate
    void slotFinishedLoadingAdContent(DZSlot&) override {}
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) override;
    // DZAdMediationDelegate
    DZMediationConnectorKind connectorKindForAd(const DZAd&) override {
        return DZMediationConnectorKind::kNative;
    }
    std::optional<DZAdLoaderConfiguration> adLoaderConfigurationForAd(const DZAd&) override;
    bool processMediatedAd(const std::shared_ptr<DZAd>& ad,
                           const std::shared_ptr<DZMediatedNativeAd>& mediated,
                           Completion completion) override;

    // Use create().
    DZAdLoader(const std::string& adUnitID, std::weak_ptr<platform::ui::ViewController> rootViewController,
               const std::vector<std::string>& adTypes,
               const std::vector<std::shared_ptr<const DZAdLoaderOptions>>& options);

  private:
    void setUp();
    void handleFailedRequest(platform::ErrorRef error);
    void preprocessorDidAnswer(const std::shared_ptr<DZAdPreprocessor>& preprocessor,
                               const std::optional<nlohmann::json>& answer,
                               const std::shared_ptr<DZSlot>& slot, const platform::ErrorRef& error);
    std::shared_ptr<DZNativeAd> makeAd(DZNativeAdClass adClass, const nlohmann::json& dictionary) const;
    std::shared_ptr<DZNativeAd> makeMediatedAd(DZNativeAdClass adClass,
                                               const std::shared_ptr<DZMediatedNativeAd>& mediated) const;
    bool delegateConforms(DZNativeAdClass adClass, platform::ErrorRef* error) const;
    nlohmann::json requestParametersForError() const;

    std::shared_ptr<DZSlot> slot_;
    std::map<DZNativeAdClass, nlohmann::json> adClassRequestParameters_;
    std::weak_ptr<DZAdLoaderDelegate> delegate_;
    std::optional<DZNativeAdLoaderConfiguration> configuration_;
    std::string adUnitID_;
    std::weak_ptr<platform::ui::ViewController> rootViewController_;
    std::vector<std::shared_ptr<DZAdPreprocessor>> adPreprocessors_;
    std::vector<std::shared_ptr<DZNativeAd>> nativeAds_;
    std::shared_ptr<DZRequest> lastRequest_;
};

// true when the delegate implements the receiving interface of the class; otherwise false and,
// when asked, a private error (code 3) naming what is missing.
bool DZDelegateConformsToAdClassProtocol(const DZAdLoaderDelegate* delegate, DZNativeAdClass adClass,
                                         platform::ErrorRef* error = nullptr);
