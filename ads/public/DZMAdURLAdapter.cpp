#include "ads/public/DZMAdURLAdapter.h"

#include "ads/core/DZAd.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/foundation/DZDevice.h"
#include "ads/mediation/DZMAdNetworkConnector.h"
#include "ads/mediation/DZMAdapterError.h"
#include "ads/mediation/DZMAdapterRegistration.h"
#include "ads/mediation/DZMRequestCategory.h"
#include "ads/render/geometry/DZGeometry.h"

namespace {

constexpr const char* kAlreadyInitialized = "Adapter already initialized. Please create new instance.";

}  // namespace

void DZMAdURLAdapter::registerClass() {
    dz_registerAdapterClass<DZMAdURLAdapter>(kClassName);
}

std::optional<std::string> DZMAdURLAdapter::networkExtrasClass() const {
    return DZExtras::kClassName;
}

void DZMAdURLAdapter::reportAdLoadFailure(long code, const std::string& message) {
    if (!bannerView() && !interstitial()) return;
    if (auto connector = liveConnector())
        connector->adapterDidFailAd(*this, dz_adapterError(kErrorDomain, code, message));
}

void DZMAdURLAdapter::getBannerWithSize(DZAdSize size) {
    auto self = shared_from_this();
    if (bannerView() || interstitial()) return reportAdLoadFailure(0, kAlreadyInitialized);
    auto connector = liveConnector();
    if (!connector || !makeBannerView(size, *connector)) return;
    loadRequest();
}

void DZMAdURLAdapter::getInterstitial() {
    auto self = shared_from_this();
    if (bannerView() || interstitial()) return reportAdLoadFailure(0, kAlreadyInitialized);
    auto connector = liveConnector();
    if (!connector) return;
    makeInterstitial(std::nullopt, *connector);
    loadRequest();
}

void DZMAdURLAdapter::loadRequest() {
    auto controller = coreController_.lock();
    if (!controller) controller = DZSDKCoreController::sharedInstance();
    controller->buildAdURL(std::dynamic_pointer_cast<DZMAdURLAdapter>(shared_from_this()));
}

void DZMAdURLAdapter::stopBeingDelegate() {
    shouldRespondToSDKCore_ = false;
    DZMPublicObjectAdapter::stopBeingDelegate();
}

int DZMAdURLAdapter::requestedAdType() {
    if (bannerView()) return 1;
    return interstitial() ? 2 : 0;
}

std::optional<nlohmann::json> DZMAdURLAdapter::requestParameters() {
    auto connector = liveConnector();
    if (!connector) return std::nullopt;
    nlohmann::json requestParameters = DZRequestWithConnector(*connector, *this)->parameters();
    if (!requestParameters.is_object()) requestParameters = nlohmann::json::object();
    if (const auto& banner = bannerView()) {
        requestParameters["format"] = "banner";
        requestParameters["ad_frame"] = DZDictionaryFromRect(banner->platform::ui::View::frame());
        requestParameters["ad_bounds"] = DZDictionaryFromRect(banner->platform::ui::View::bounds());
        const DZAdSize size = banner->adSize();
        if (DZAdSizeIsFullWidth(size)) {
            requestParameters["smart_w"] = "full";
            if (DZAdSizeIsSmartBanner(size)) requestParameters["smart_h"] = "auto";
        }
    } else {
        requestParameters["format"] = "interstitial_mb";
    }
    nlohmann::json credentials = connector->credentials();
    if (!credentials.is_object()) credentials = nlohmann::json::object();
    return nlohmann::json{{"request_param", std::move(requestParameters)},
                          {"lat", DZDevice::sharedInstance()->limitAdTrackingString()},
                          {"adid", ""},
                          {"data", std::move(credentials)},
                          {"request_id", requestID_.value_or("")},
                          {"rerive-ad-url-mediation", "1"}};
}

void DZMAdURLAdapter::loadAd(const std::shared_ptr<DZAd>& ad,
                             const std::map<std::string, std::string>& headers) {
    if (!shouldRespondToSDKCore_) return;
    auto self = shared_from_this();
    if (!bannerView() && !interstitial()) {
        return reportAdLoadFailure(2, "Ad load request received for request ID " + requestID_.value_or("") +
                                          ", without banner and interstitial intialized.");
    }
    if (!ad) return reportAdLoadFailure(3, "Ad received is empty.");
    auto connector = liveConnector();
    if (!connector) return;
    // Made as every adapter's request is, so it carries the adapter's mark: the page's whole ad
    // may be a mediated answer naming this adapter again, and only the mark keeps the inner view
    // from running a waterfall of its own. Its extras are the given ad's alone.
    auto request = DZRequestWithConnector(*connector, *this);
    auto extras = std::make_shared<DZExtras>();
    extras->setReservedAd(ad);
    extras->setAdditionalParameters({{"_adHeaders", nlohmann::json(headers)}, {"_useOnce", "Y"}});
    request->registerAdNetworkExtras(extras);
    if (auto banner = bannerView()) {
        banner->loadRequest(request);
    } else {
        interstitial()->loadRequest(request);
    }
}

void DZMAdURLAdapter::loadAdURLWithParameters(const DZNotification::Parameters&) {
    if (shouldRespondToSDKCore_) reportAdLoadFailure(1, "Adapter can't load ad URL.");
}

void DZMAdURLAdapter::invalidJavaScriptRequest() {
    if (shouldRespondToSDKCore_) reportAdLoadFailure(4, "Failed to load ad. Check network connection.");
}

void DZMAdURLAdapter::failedJavaScriptFile() {
    if (shouldRespondToSDKCore_) reportAdLoadFailure(5, "Failed to load ad. Check network connection.");
}
