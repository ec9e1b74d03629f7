#include "ads/core/slot/DZSDKCoreController.h"

#include <cmath>

#include "ads/core/DZAd.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSDKCoreConstants.h"
#include "ads/core/slot/DZSDKCoreMessages.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZCSI.h"
#include "ads/foundation/DZCSITimeRecorder.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/host/DZAdHost.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainThread.h"

using platform::DispatchQueue;

namespace {

std::shared_ptr<DZCSITimeRecorder> loadRecorder() {
    auto csi = DZCSI::sharedInstance();
    return csi ? csi->timeRecorderForAction("load_ad_ios") : nullptr;
}

std::string timingKey(const char* name, long identifier) {
    return name + std::to_string(identifier);
}

// The page's parameters as the log shows them: compact JSON (the log call cuts it short).
std::string invalidRequestText(const DZNotification::Parameters& parameters) {
    return nlohmann::json(parameters).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::shared_ptr<DZSDKCoreController> DZSDKCoreController::sharedInstance() {
    // Never destroyed, as the web-view cache: torn down at exit it would release the slots still
    // waiting on it, and its core view, after the main loop and the thread data they use are gone.
    static std::shared_ptr<DZSDKCoreController>* instance = [] {
        auto* shared = new std::shared_ptr<DZSDKCoreController>(create());
        // An ad view whose host has gone still tells a blocked open to the page that keeps count.
        DZAdHost::setOrphanOpenBlockedHandler([](const nlohmann::json& info) {
            if (auto page = (*instance)->activeSDKCoreWebView())
                page->postJSNotification("navigationBlocked", info);
        });
        return shared;
    }();
    return *instance;
}

std::shared_ptr<DZSDKCoreController> DZSDKCoreController::create() {
    auto controller = std::make_shared<DZSDKCoreController>();
    controller->activeWebView_ = controller->makeWebView();
    return controller;
}

DZSDKCoreController::DZSDKCoreController() = default;

DZSDKCoreController::~DZSDKCoreController() = default;

std::shared_ptr<DZSDKCoreWebView> DZSDKCoreController::makeWebView() {
    auto webView = DZSDKCoreWebView::create();
    webView->SDKCoreAMSGHandler()->setDelegate(weak_from_this());
    return webView;
}

std::size_t DZSDKCoreController::pendingRequestCount() const {
    return pendingBuildRequesters_.size();
}

void DZSDKCoreController::buildAdURL(const std::shared_ptr<DZSDKCoreControllerDelegate>& requester) {
    ASSERT_MAIN_THREAD();
    if (!requester) return;
    if (auto recorder = loadRecorder()) {
        recorder->startTimingVariableWithName("rur_ios", timingKey("rur_ios", requester->CSIIdentifier()));
    }
    pendingLoadRequesters_.push_back(requester);
    attemptToRefreshActiveWebViewSDKCore();
}

void DZSDKCoreController::attemptToRefreshActiveWebViewSDKCore() {
    ASSERT_MAIN_THREAD();
    const bool stale =
        DZAbsoluteTime::absoluteTimeInMilliseconds() - lastWebViewRefreshTimestamp_ > kPageLifetimeMs;
    const bool unanswered = pageMissedAnAnswer_;
    const int state = activeWebView_->state();
    // A page of another server (the one named has changed since it loaded) builds that server's
    // ad URLs.
    const bool moved =
        state != DZSDKCoreWebView::New && activeWebView_->loadedPageURL() != DZSDKCoreWebView::pageURL();
    if (state == DZSDKCoreWebView::New || state == DZSDKCoreWebView::Failed || stale || unanswered || moved) {
        refreshActiveWebViewSDKCore();
    } else {
        activeWebView_->addObserverForOneTimeNotification(shared_from_this());
    }
}

void DZSDKCoreController::refreshActiveWebViewSDKCore() {
    ASSERT_MAIN_THREAD();
    activeWebView_->refreshSDKCoreAndNotifyObserver(shared_from_this());
    SDKConstantsNeedReload_ = true;
    pageMissedAnAnswer_ = false;
    lastWebViewRefreshTimestamp_ = DZAbsoluteTime::absoluteTimeInMilliseconds();
}

std::string DZSDKCoreController::adRequestParameterJSONFromParameters(const nlohmann::json& parameters) {
    try {
        return parameters.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    } catch (const nlohmann::json::exception&) {
        return "";
    }
}

void DZSDKCoreController::didFinishLoadingSDKCoreInSDKCoreWebView(
    const std::shared_ptr<DZSDKCoreWebView>& webView) {
    ASSERT_MAIN_THREAD();
    auto self = shared_from_this();
    const int state = webView->state();
    std::vector<std::shared_ptr<DZSDKCoreControllerDelegate>> waiting;
    const bool askConstants = SDKConstantsNeedReload_ && state == DZSDKCoreWebView::Loaded;
    if (state == DZSDKCoreWebView::Loaded || state == DZSDKCoreWebView::Failed)
        waiting.swap(pendingLoadRequesters_);
    if (!webView->hasSDKCoreLoadedAtLeastOnce()) lastWebViewRefreshTimestamp_ = 0;
    if (askConstants) {
        webView->enqueueJavaScriptCommand(
            "ZAZO_getSdkConstants(" +
            adRequestParameterJSONFromParameters({{"js", DZRequest::sdkVersion()}}) + ");");
    }
    if (state == DZSDKCoreWebView::Loaded) {
        for (const auto& requester : waiting) asynchronouslyRequestURLForDelegate(requester);
    } else if (state == DZSDKCoreWebView::Failed) {
        for (const auto& requester : waiting) {
            DispatchQueue::main()->async([weak = std::weak_ptr(requester)] {
                if (auto live = weak.lock()) live->failedJavaScriptFile();
            });
        }
    } else if (pendingLoadRequesters_.empty()) {
        return;
    }
    if (state != DZSDKCoreWebView::Loaded && state != DZSDKCoreWebView::Failed) {
        webView->addObserverForOneTimeNotification(self);
    }
}

void DZSDKCoreController::asynchronouslyRequestURLForDelegate(
    const std::shared_ptr<DZSDKCoreControllerDelegate>& requester) {
    // The requester belongs to the main thread: it is asked here, and only the JSON is written on
    // the controller's queue.
    const std::string requestID = std::to_string(requestID_++);
    requester->setRequestID(requestID);
    auto parameters = requester->requestParameters();
    if (!parameters) return;
    pendingBuildRequesters_[requestID] = requester;
    // A page that never answers (or lost the call to its command cap or a reload) must not keep
    // the requester waiting.
    DispatchQueue::main()->after(kAnswerTimeoutSeconds, [weak = weak_from_this(), requestID] {
        auto controller = weak.lock();
        if (!controller) return;
        if (auto late = controller->takeRequester(requestID)) {
            DZLogText("The SDK core page did not answer request " + requestID + " in time");
            // A page that answers nothing (an error page the server sent, a script that never
            // ran) would fail every request for an hour: the next request loads it again.
            controller->pageMissedAnAnswer_ = true;
            if (auto recorder = loadRecorder()) {
                recorder->cancelTimingVariableWithName("rur_ios",
                                                       timingKey("rur_ios", late->CSIIdentifier()));
            }
            late->requestTimedOut();
        }
    });
    // Written here, on the main thread, like everything else the controller hands the view: a
    // job on a queue of its own outlived the controller's owner and reached a view whose main
    // loop had ended (or tore it down off the main thread).
    nlohmann::json sent = parameters->is_object() ? std::move(*parameters) : nlohmann::json::object();
    if (!sent.contains("request_id")) sent["request_id"] = requestID;
    const char* function =
        sent.contains("rerive-ad-url-mediation") ? "ZAZO_getAdapterLessMediationAd" : "ZAZO_getAd";
    activeWebView_->enqueueJavaScriptCommand(std::string(function) + "(" +
                                             adRequestParameterJSONFromParameters(sent) + ");");
}

std::shared_ptr<DZSDKCoreControllerDelegate> DZSDKCoreController::takeRequester(
    const std::string& requestID) {
    ASSERT_MAIN_THREAD();
    auto it = pendingBuildRequesters_.find(requestID);
    if (it == pendingBuildRequesters_.end()) return nullptr;
    auto requester = std::move(it->second);
    pendingBuildRequesters_.erase(it);
    return requester;
}

void DZSDKCoreController::SDKCoreAMSGHandlerLoadAdURL(DZSDKCoreAMSGHandler&, const std::string& requestID,
                                                      const DZNotification::Parameters& parameters) {
    auto requester = takeRequester(requestID);
    if (!requester) return;
    if (auto recorder = loadRecorder()) {
        recorder->endTimingVariableWithName("rur_ios", timingKey("rur_ios", requester->CSIIdentifier()));
        recorder->startTimingVariableWithName("nwl_ios", timingKey("nwl_ios", requester->CSIIdentifier()));
    }
    requester->loadAdURLWithParameters(parameters);
}

void DZSDKCoreController::SDKCoreAMSGHandlerLoadAd(DZSDKCoreAMSGHandler&, const std::string& requestID,
                                                   const nlohmann::json& dictionary) {
    auto requester = takeRequester(requestID);
    if (!requester) return;
    auto ad = DZSDKCoreMessages::adFromAnswer(dictionary, requester->requestedAdType());
    requester->loadAd(ad, ad ? ad->responseHeaders() : std::map<std::string, std::string>{});
}

void DZSDKCoreController::SDKCoreAMSGHandlerDidReceiveInvalidAd(
    DZSDKCoreAMSGHandler&, const std::string& requestID, const DZNotification::Parameters& parameters) {
    auto requester = takeRequester(requestID);
    if (!requester) return;
    DZLogger::sharedInstance()->logPublicMessage("Invalid Request: " + invalidRequestText(parameters));
    if (auto recorder = loadRecorder()) {
        recorder->cancelTimingVariableWithName("rur_ios", timingKey("rur_ios", requester->CSIIdentifier()));
    }
    requester->invalidJavaScriptRequest();
}

void DZSDKCoreController::SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(DZSDKCoreAMSGHandler&) {
    ASSERT_MAIN_THREAD();
    SDKCoreUpdateHandled_ = false;
}

void DZSDKCoreController::SDKCoreAMSGHandlerDidLoadSDKConstants(DZSDKCoreAMSGHandler&,
                                                                const DZNotification::Parameters& constants) {
    ASSERT_MAIN_THREAD();
    const auto applied = DZSDKCoreConstants::apply(constants);
    if (applied.zadavaDuruUnloadCacheSize) zadavaDuruUnloadCacheMaxSize_ = *applied.zadavaDuruUnloadCacheSize;
    if (applied.useNewWebViewsForZadavaDuru)
        useNewWebViewsForZadavaDuruProcessing_ = *applied.useNewWebViewsForZadavaDuru;
    if (applied.zadavaDuruSamplingInterval) zadavaDuruSamplingInterval_ = *applied.zadavaDuruSamplingInterval;
    if (applied.swipeToViewSamplingInterval)
        swipeToViewSamplingInterval_ = *applied.swipeToViewSamplingInterval;
    SDKConstantsNeedReload_ = false;
}

double DZSDKCoreController::zadavaDuruSamplingInterval() const {
    return zadavaDuruSamplingInterval_;
}

void DZSDKCoreController::setZadavaDuruSamplingInterval(double seconds) {
    ASSERT_MAIN_THREAD();
    zadavaDuruSamplingInterval_ = seconds;
}

double DZSDKCoreController::swipeToViewSamplingInterval() const {
    return swipeToViewSamplingInterval_;
}

void DZSDKCoreController::setSwipeToViewSamplingInterval(double seconds) {
    ASSERT_MAIN_THREAD();
    swipeToViewSamplingInterval_ = seconds;
}

unsigned DZSDKCoreController::zadavaDuruUnloadCacheMaxSize() const {
    return zadavaDuruUnloadCacheMaxSize_;
}

bool DZSDKCoreController::useNewWebViewsForZadavaDuruProcessing() const {
    return useNewWebViewsForZadavaDuruProcessing_;
}

std::shared_ptr<DZSDKCoreWebView> DZSDKCoreController::SDKCoreWebViewForZadavaDuruProcessing() {
    ASSERT_MAIN_THREAD();
    removeFinishedZadavaDuruWebViews();
    std::shared_ptr<DZSDKCoreWebView> webView;
    bool refresh = false;
    if (useNewWebViewsForZadavaDuruProcessing_) {
        refresh = true;
    } else if (SDKCoreUpdateHandled_ && zadavaDuruWebView_) {
        webView = zadavaDuruWebView_;
    } else {
        refresh = true;
    }
    SDKCoreUpdateHandled_ = true;
    if (refresh) {
        webView = makeWebView();
        webView->refreshSDKCoreAndNotifyObserver(nullptr);
        if (!useNewWebViewsForZadavaDuruProcessing_) zadavaDuruWebView_ = webView;
    }
    return webView;
}

void DZSDKCoreController::finishedUsingSDKCoreWebViewForZadavaDuruProcessing(
    const std::shared_ptr<DZSDKCoreWebView>& webView) {
    if (webView && webView->isZadavaDuruRunning()) cacheRunningZadavaDuruWebView(webView);
}

void DZSDKCoreController::cacheRunningZadavaDuruWebView(const std::shared_ptr<DZSDKCoreWebView>& webView) {
    ASSERT_MAIN_THREAD();
    if (!webView) return;
    if (std::find(zadavaDuruWebViews_.begin(), zadavaDuruWebViews_.end(), webView) ==
        zadavaDuruWebViews_.end()) {
        zadavaDuruWebViews_.push_back(webView);
    }
    removeFinishedZadavaDuruWebViews();
}

void DZSDKCoreController::removeFinishedZadavaDuruWebViews() {
    ASSERT_MAIN_THREAD();
    std::vector<std::shared_ptr<DZSDKCoreWebView>> setAside;
    std::vector<std::shared_ptr<DZSDKCoreWebView>> kept;
    for (auto it = zadavaDuruWebViews_.rbegin(); it != zadavaDuruWebViews_.rend(); ++it) {
        if ((*it)->isZadavaDuruRunning() && kept.size() < zadavaDuruUnloadCacheMaxSize_) {
            kept.insert(kept.begin(), *it);
        } else {
            setAside.push_back(*it);
        }
    }
    zadavaDuruWebViews_ = std::move(kept);
    // Cleared, a view set aside runs nothing any more, so it is let go of here.
    for (const auto& webView : setAside) {
        webView->clearAllZadavaDuruInstances();
        finishedUsingSDKCoreWebViewForZadavaDuruProcessing(webView);
    }
}

std::vector<std::shared_ptr<DZSDKCoreWebView>> DZSDKCoreController::zadavaDuruPool() const {
    return zadavaDuruWebViews_;
}
