#pragma once
// The built-in adapter that asks the SDK core page for an ad without an ad unit of its own (an
// adapter-less mediation request) and shows the page's answer in a public banner view or
// interstitial as an ad given whole. One adapter serves one request: a second fails with code 0.
// Its own failures (codes 0 to 5) are of its own domain. Once told to stop, a late answer of
// the page is ignored. Main thread only.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/public/DZMPublicObjectAdapter.h"

class DZMAdURLAdapter : public DZMPublicObjectAdapter, public DZSDKCoreControllerDelegate {
  public:
    inline static const std::string kClassName = "DZMAdURLAdapter";
    inline static const std::string kErrorDomain = "com.rerive.ads.DZMAdURLAdapter";

    static void registerClass();
    DZMAdURLAdapter() : DZMPublicObjectAdapter(false) {}

    // The core controller asked (the shared one unless a test gives its own); held weakly.
    void setSDKCoreController(std::weak_ptr<DZSDKCoreController> controller) {
        coreController_ = std::move(controller);
    }
    bool shouldRespondToSDKCore() const { return shouldRespondToSDKCore_; }

    // DZMAdNetworkAdapter
    void getBannerWithSize(DZAdSize size) override;
    void getInterstitial() override;
    void stopBeingDelegate() override;
    std::string adapterVersion() const override { return "1.0.0"; }
    std::optional<std::string> networkExtrasClass() const override;

    // DZSDKCoreControllerDelegate
    std::optional<nlohmann::json> requestParameters() override;
    int requestedAdType() override;
    void setRequestID(const std::string& requestID) override { requestID_ = requestID; }
    void loadAdURLWithParameters(const DZNotification::Parameters& parameters) override;
    void loadAd(const std::shared_ptr<DZAd>& ad, const std::map<std::string, std::string>& headers) override;
    void invalidJavaScriptRequest() override;
    void failedJavaScriptFile() override;
    void requestTimedOut() override { failedJavaScriptFile(); }
    // None: the largest unsigned value, as a signed one.
    long CSIIdentifier() override { return -1; }

  private:
    void loadRequest();
    void reportAdLoadFailure(long code, const std::string& message);

    std::weak_ptr<DZSDKCoreController> coreController_;
    std::optional<std::string> requestID_;
    bool shouldRespondToSDKCore_ = true;
};
