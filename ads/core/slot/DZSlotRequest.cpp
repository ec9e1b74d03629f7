// The slot's request path: from the owner's load to the ad whose content is being fetched.
#include <atomic>
#include <cmath>
#include <limits>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdCoreHooks.h"
#include "ads/core/DZBannerAd.h"
#include "ads/core/DZCorrelator.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZInterstitialAd.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/core/slot/DZSlotSignals.h"
#include "ads/foundation/DZCSI.h"
#include "ads/foundation/DZCSITimeRecorder.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/geometry/DZGeometry.h"
#include "ads/render/sampling/DZContentSampler.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZMRAIDInterceptor.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/ui/InterfaceOrientation.h"
#include "platform/url/Url.h"

namespace {

std::atomic<bool> testDeviceHintChecked{false};

// "p" portrait (6), "l" landscape (24), anything else none.
unsigned orientationMask(const nlohmann::json& extras) {
    auto it = extras.find("_orientation");
    if (it == extras.end() || !it->is_string()) return 0;
    if (*it == "p") return platform::ui::kInterfaceOrientationMaskPortrait;
    if (*it == "l") return platform::ui::kInterfaceOrientationMaskLandscape;
    return 0;
}

std::map<std::string, std::string> headersFrom(const nlohmann::json& extras) {
    std::map<std::string, std::string> headers;
    auto it = extras.find("_adHeaders");
    if (it == extras.end() || !it->is_object()) return headers;
    for (auto h = it->begin(); h != it->end(); ++h) {
        if (h.value().is_string()) headers[h.key()] = h.value().get<std::string>();
    }
    return headers;
}

// Sizes a "%lux%lu" may carry: finite, not negative, within 32 bits.
bool printableDimension(float value) {
    return std::isfinite(value) && value >= 0 &&
           value <= static_cast<float>(std::numeric_limits<uint32_t>::max());
}

}  // namespace

void DZSlot::resetTestDeviceHintForTesting() {
    testDeviceHintChecked = false;
}

void DZSlot::loadRequest(const std::shared_ptr<DZRequest>& request) {
    setNextRequest(request);
    loadNextRequestWithAutoRefresh(false);
}

void DZSlot::loadNextRequestWithAutoRefresh(bool autoRefresh) {
    auto hold = weak_from_this().lock();
    lastLoadStarted_ = false;
    if (auto keys = adKeyDelegate_.lock()) keys->cacheViewHierarchyInformationForSlot(*this);
    DZDevice::sharedInstance()->updateDynamicParameters();
    if (auto csi = DZCSI::sharedInstance()) {
        if (auto recorder = csi->timeRecorderForAction("load_ad_ios")) {
            recorder->startTimingVariableWithName("arf_ios", adResponseKey_);
            recorder->startTimingVariableWithName("ttc_ios", totalTimeKey_);
        }
    }
    attemptedOnce_ = true;
    if (!shouldMakeRequest(nextRequest_)) return;
    lastLoadStarted_ = true;

    cancelLoad();
    willRequestAdURL();
    fetchedAd_.reset();
    fetchError_.reset();
    requestID_.reset();
    if (!nextRequest_) nextRequest_ = DZRequest::request();
    request_ = nextRequest_->copy();
    if (auto delegate = slotDelegate()) delegate->slotWillLoadAdWithRequest(*this, *request_);
    hasAutoRefreshed_ = autoRefresh;
    if (!testDeviceHintChecked.exchange(true) && !request_->isATestDevice()) logRequestTestAdInstructions();
    startReservedOrCoreLoad();
}

void DZSlot::startReservedOrCoreLoad() {
    // Read before the parameters: reading them uses up extras meant for one request.
    auto extrasObject =
        std::dynamic_pointer_cast<DZExtras>(request_->adNetworkExtrasFor(DZExtras::kClassName));
    std::shared_ptr<DZAd> reserved = extrasObject ? extrasObject->reservedAd() : nullptr;
    nlohmann::json extras = request_->networkExtrasAdditionalParameters();
    if (!extras.is_object()) extras = nlohmann::json::object();
    const unsigned orientations = orientationMask(extras);

    if (auto given = extras.find("_ad"); !reserved && given != extras.end() && given->is_object()) {
        if (adType_.isInterstitial()) {
            reserved = std::make_shared<DZInterstitialAd>(*given);
        } else {
            reserved = std::make_shared<DZBannerAd>(*given);
        }
    }
    if (reserved) {
        if (orientations) reserved->setSupportedOrientations(orientations);
        loadAd(reserved, headersFrom(extras));
        return;
    }
    if (auto given = extras.find("_requestUrl"); given != extras.end() && given->is_string()) {
        const auto url = platform::Url::parse(given->get<std::string>());
        if (url && url->isWeb()) {
            DZMRAIDInterceptor::allow();
            auto ad = std::make_shared<DZAd>();
            ad->setAdURL(given->get<std::string>());
            if (orientations) ad->setSupportedOrientations(orientations);
            loadAd(ad, {});
            return;
        }
        DZLogText("The \"_requestUrl\" extra is no http or https URL; the ad server is asked instead");
    }
    sdkCoreController()->buildAdURL(shared_from_this());
}

std::shared_ptr<DZSDKCoreController> DZSlot::sdkCoreController() const {
    auto controller = coreController_.lock();
    return controller ? controller : DZSDKCoreController::sharedInstance();
}

bool DZSlot::shouldMakeRequest(const std::shared_ptr<DZRequest>& request) {
    if (state_ == kDZSlotStateInvalidated) return false;
    auto delegate = slotDelegate();
    if (isMakingRequest() &&
        !(delegate && delegate->slotShouldPreemptInProgressRequest(*this).value_or(false)))
        return false;
    if (delegate) {
        const auto asked = request ? request : DZRequest::request();
        if (delegate->slotShouldLoadRequest(*this, *asked) == false) {
            adFailedToReceiveContentWithError(
                DZRequestError::errorWithCodeRequest(kDZErrorInvalidRequest, asked->copy()->parameters()));
            return false;
        }
    }
    return DZApplication::sharedInstance()->isAppActive() && DZDevice::sharedInstance()->OSIsSupported();
}

bool DZSlot::isMakingRequest() const {
    return state_ == kDZSlotStateAdURLRequested || state_ == kDZSlotStateAdURLReceived ||
           state_ == kDZSlotStateFetching || state_ == kDZSlotStateRendering ||
           state_ == kDZSlotStateInvalidated;
}

void DZSlot::logRequestTestAdInstructions() {
    std::string message;
    if (DZDevice::isSimulator()) {
        message = "To get test ads on this device, call: request.testDevices = @[ kDZSimulatorID ];";
    } else if (auto id = DZDevice::sharedInstance()->deviceIdentifier(); !id.empty()) {
        message = "To get test ads on this device, call: request.testDevices = @[ @\"" + id + "\" ];";
    } else {
        message =
            "Advertising tracking may be disabled. To get test ads on this device, enable advertising "
            "tracking.";
    }
    DZLogger::sharedInstance()->logPublicMessage(message);
}

std::string DZSlot::multipleAdSizeParameterFromSizes(const std::vector<DZAdSize>& sizes) {
    std::string joined;
    for (const auto& adSize : sizes) {
        if (DZAdSizesAreEqual(adSize, kDZAdSizeInvalid) || !DZAdSizeIsValid(adSize)) continue;
        const platform::Size size = CGSizeFromDZAdSize(adSize);
        if (!printableDimension(size.width) || !printableDimension(size.height)) continue;
        if (size.width < 1 || size.height < 1) continue;  // "0x0" asks for nothing
        if (!joined.empty()) joined += "|";
        joined += std::to_string(static_cast<unsigned long>(size.width)) + "x" +
                  std::to_string(static_cast<unsigned long>(size.height));
    }
    return joined;
}

nlohmann::json DZSlot::requestParametersForError() const {
    return request_ ? request_->copy()->parameters() : nlohmann::json();
}

std::optional<nlohmann::json> DZSlot::requestParameters() {
    auto app = DZApplication::sharedInstance();
    nlohmann::json p = request_ ? request_->parameters() : DZRequest::request()->parameters();
    if (!p.is_object()) p = nlohmann::json::object();
    if (correlator_ && correlator_->correlationID() != 0) p["correlation_id"] = correlator_->correlationID();

    // Statistics taken by an earlier request that never went out go back before new ones are taken.
    if (!pendingAdStatistics_.empty()) app->didNotSendAdStatistics(pendingAdStatistics_);
    pendingAdStatistics_ = app->pendingAdStatistics();
    dz_addSlotSignals(p, applicationStatistics_, pendingAdStatistics_,
                      request_ ? request_->privateMediationExtras() : nlohmann::json(), adUnitID_);

    auto delegate = slotDelegate();
    const DZAdSize adSize = adType_.adSize();
    if (!adType_.isInterstitial()) {
        if (DZAdSizeIsFluid(adSize)) {
            p["format"] = "320x50_mb";
            p["fluid"] = "height";
        } else if (auto sizes = delegate ? delegate->validAdSizes() : std::nullopt) {
            if (auto sz = multipleAdSizeParameterFromSizes(*sizes); !sz.empty()) p["sz"] = sz;
        }
        std::optional<platform::Rect> frame = delegate ? delegate->frame() : std::nullopt;
        std::optional<platform::Rect> bounds = delegate ? delegate->bounds() : std::nullopt;
        if (!frame && adView_) frame = adView_->frame();
        if (!bounds && adView_) bounds = adView_->bounds();
        if (frame) p["ad_frame"] = DZDictionaryFromRect(*frame);
        if (bounds) p["ad_bounds"] = DZDictionaryFromRect(*bounds);
    } else {
        p["format"] = "interstitial_mb";
    }
    if (DZAdSizeIsFullWidth(adSize)) {
        p["smart_w"] = "full";
        if (DZAdSizeIsSmartBanner(adSize)) p["smart_h"] = "auto";
    }
    if (requestID_) p["request_id"] = *requestID_;
    if (delegate) {
        if (auto position = delegate->coordinatesOfContentInScreen()) p["ad_pos"] = *position;
    }
    if (calledLoadAndDisplayRequest_) {
        p["cladr"] = "1";
        calledLoadAndDisplayRequest_ = false;
    }
    if (manualImpressionsEnabled_) p["d_imp_hdr"] = "1";
    if (inAppPurchaseDelegate()) p["iap_set"] = "1";

    auto defaults = platform::UserDefaults::standard();
    if (defaults->boolForKey("/rerive/ads/use_https").value_or(true)) p["force_https"] = "1";
    // A signed-in user's token travels only over https.
    if (DZAdCoreHooks::signedInAdsToken) {
        if (auto token = DZAdCoreHooks::signedInAdsToken(); token && !token->empty()) {
            p["pan"] = {{"token", *token}};
            p["force_https"] = "1";
        }
    }
    // The best recent sample of the screen, else the one sent last (kept across launches).
    auto fingerprint = DZContentSampler::shared()->fingerprintWithServedPenaltyDeduction();
    if (fingerprint) {
        defaults->setString("/rerive/ads/content_url_fingerprint", *fingerprint);
    } else {
        fingerprint = defaults->stringForKey("/rerive/ads/content_url_fingerprint");
    }
    if (fingerprint && !fingerprint->empty()) {
        p["content_info"] = {{"fingerprint", *fingerprint}, {"v", 1}};
    }
    if (auto keys = adKeyDelegate_.lock()) {
        if (auto hierarchy = keys->viewHierarchyInformationForSlot(*this); hierarchy && !hierarchy->is_null())
            p["view_hierarchy"] = *hierarchy;
    }
    if (auto experiment = defaults->stringForKey("/rerive/ads/prefetch_experiment_id"))
        p["eid"] = *experiment;
    if (defaults->boolForKey("/rerive/ads/prefetch_enabled").value_or(false)) p["_forcePrefetch"] = "1";
    return p;
}

int DZSlot::requestedAdType() {
    auto delegate = slotDelegate();
    return delegate ? delegate->ownerAdType() : 0;
}

void DZSlot::setRequestID(const std::string& requestID) {
    requestID_ = requestID;
}

bool DZSlot::isWaitingForCore(bool adURLReceived, const char* answer) const {
    if (state_ == kDZSlotStateAdURLRequested || (adURLReceived && state_ == kDZSlotStateAdURLReceived))
        return true;
    DZLog("Slot in state %d ignores the late answer \"%s\" of the SDK core", state_, answer);
    return false;
}

void DZSlot::loadAdURLWithParameters(const DZNotification::Parameters& parameters) {
    if (!isWaitingForCore(false, "loadAdURL")) return;
    auto hold = weak_from_this().lock();
    didReceiveAdURL();
    if (parameters.count("errors")) {
        didFailToReceiveAdWithError(
            DZRequestError::errorWithCodeRequest(kDZErrorInvalidRequest, requestParametersForError()), false);
        return;
    }
    auto statistics = DZApplication::sharedInstance()->statistics();
    const auto scenario = parameters.find("request_scenario");
    const std::string kind = scenario == parameters.end() ? "" : scenario->second;
    if (kind == "offline_buffer") statistics->incrementNumberForKey("bas_off", false);
    if (kind == "offline_empty" || kind == "offline_buffer") {
        statistics->incrementNumberForKey("oar", false);
        if (auto sequence = statistics->objectForKey("seq_num"))
            statistics->setObjectForKey(*sequence, "losn", false);
    } else if (kind == "online_buffer") {
        statistics->incrementNumberForKey("bas_on", false);
    }
    // Switched off by the core's constants, the request may still ask for it.
    const auto protection = parameters.find("enable_auto_click_protection");
    if (protection != parameters.end() && protection->second == "1") autoClickProtected_ = true;
    const auto url = parameters.find("url");
    const auto parsed = url == parameters.end() ? std::nullopt : platform::Url::parse(url->second);
    if (!parsed || !parsed->isWeb()) {
        didFailToReceiveAdWithError(DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(
                                        kDZErrorReceivedInvalidResponse, requestParametersForError(), 0,
                                        std::string("The SDK core gave no http or https ad URL")),
                                    false);
        return;
    }
    auto ad = std::make_shared<DZAd>();
    ad->setAdURL(url->second);
    loadAd(ad, {});
}

void DZSlot::loadAd(const std::shared_ptr<DZAd>& ad, const std::map<std::string, std::string>& headers) {
    if (!isWaitingForCore(true, "loadAd")) return;
    auto hold = weak_from_this().lock();
    if (!ad) {
        didFailToReceiveAdWithError(
            DZRequestError::errorWithCodeRequest(kDZErrorInternalError, requestParametersForError()), false);
        return;
    }
    // Whichever way the ad came (the core's ad URL or whole ad, the extras' ad or page), it is
    // protected unless the core's constants switch protection off.
    if (DZOpener::autoClickProtectionByDefault()) autoClickProtected_ = true;
    cancelFormats();
    if (adFetcher_) adFetcher_->cancel();
    adFetcher_.reset();
    // The committed ad goes, but the load does not pass through idle on its way from the core's
    // answer to the fetch: nobody may see a slot that is busy as free to start another load.
    unloadMRAIDAd(ad_);
    ad_.reset();
    loadingAd_ = ad;
    willFetchAdContent();
    if (ad->hasAdNetworkJavaScript()) {
        // Nothing is fetched for another network's script: it renders at once.
        fetchedAd_ = ad;
        loadAdNetworkJavaScriptRequest(ad);
        return;
    }
    if (!adType_.isInterstitial() && dynamic_cast<DZBannerAd*>(ad.get())) {
        newAdSize_ = CGSizeFromDZAdSize(ad->size());
        setReloadInterval(ad->reloadInterval());
    }
    adFetcher_ = DZAdFetcher::create();
    auto fetcher = adFetcher_;
    platform::ErrorRef error;
    const bool started =
        fetcher->fetchRemainingContentForAd(ad, headers.empty() ? std::nullopt : std::optional(headers),
                                            weak_from_this(), requestParametersForError(), &error);
    if (!started && !fetchError_ && !fetchedAd_) {
        fetchError_ = error ? error : DZRequestError::errorWithCode(kDZErrorInternalError);
    }
}

void DZSlot::invalidJavaScriptRequest() {
    if (!isWaitingForCore(true, "invalidRequest")) return;
    didFailToReceiveAdWithError(
        DZRequestError::errorWithCodeRequest(kDZErrorInvalidRequest, requestParametersForError()), false);
}

void DZSlot::failedJavaScriptFile() {
    if (!isWaitingForCore(true, "failedJavaScriptFile")) return;
    didFailToRetrieveSDKCoreWithError(DZRequestError::errorWithCode(kDZErrorNetworkError));
}

void DZSlot::requestTimedOut() {
    if (!isWaitingForCore(true, "timeout")) return;
    didFailToReceiveAdWithError(
        DZRequestError::errorWithCodeRequest(kDZErrorTimeout, requestParametersForError()), false);
}
