#include "ads/render/view/DZBannerAdViewDelegate.h"

#include "ads/core/DZRequest.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZCSI.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZWeakTargetAdditions.h"
#include "ads/render/bridge/DZAppEventAMSGHandler.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/swipe/DZSwipeToViewControllerAMSGHandler.h"
#include "ads/render/view/DZAdAppAMSGHandler.h"
#include "ads/render/view/DZDelayPageLoadAMSGHandler.h"
#include "ads/render/view/DZOpener.h"
#include "platform/web/WebEngine.h"

using platform::web::NavigationAction;
using platform::web::NavigationType;

std::shared_ptr<DZBannerAdViewDelegate> DZBannerAdViewDelegate::create(const std::weak_ptr<DZAdHost>& host) {
    auto delegate = std::make_shared<DZBannerAdViewDelegate>(host);
    delegate->registerHostHandlers();
    return delegate;
}

DZBannerAdViewDelegate::DZBannerAdViewDelegate(std::weak_ptr<DZAdHost> host) : host_(std::move(host)) {
    opener().setHost(host_);
}

DZBannerAdViewDelegate::~DZBannerAdViewDelegate() {
    stopDelayCap();
}

void DZBannerAdViewDelegate::registerHostHandlers() {
    // The delay handler reports to this delegate, which it must not keep alive.
    auto self = std::static_pointer_cast<DZBannerAdViewDelegate>(shared_from_this());
    addAMSGHandler(std::make_shared<DZAppEventAMSGHandler>(host_));
    addAMSGHandler(std::make_shared<DZAdAppAMSGHandler>());
    addAMSGHandler(std::make_shared<DZSwipeToViewControllerAMSGHandler>(host_));
    delayHandler_ = std::make_shared<DZDelayPageLoadAMSGHandler>(std::weak_ptr<DZDelayLoadDelegate>(self));
    addAMSGHandler(delayHandler_);
}

bool DZBannerAdViewDelegate::isClick(NavigationType type) const {
    auto host = host_.lock();
    if (!host) return false;
    if (!host->mayTakeClicks()) return false;
    // A page that navigates as soon as it has loaded does it by script, not by a user's tap.
    if (auto loaded = host->timeLastLoaded()) {
        const uint64_t now = DZAbsoluteTime::absoluteTimeInMilliseconds();
        const uint64_t since = now > *loaded ? now - *loaded : 0;
        if (static_cast<double>(since) / 1000.0 < kMinSecondsAfterLoadForClick) return false;
    }
    if (type == NavigationType::BackForward || type == NavigationType::Reload) return false;
    const auto& adView = host->adView();
    return adView && adView->touched();
}

bool DZBannerAdViewDelegate::adViewShouldStartLoad(DZAdView& adView, const NavigationAction& action) {
    // The base policy tells the opener the ad view's controller with every navigation.
    auto self = shared_from_this();
    // A frame of the page loading by itself (a tracker, a nested creative) is no tap on the ad;
    // a link or form followed inside it is.
    const bool frameOnItsOwn = !action.mainFrame && action.type != NavigationType::LinkClicked &&
                               action.type != NavigationType::FormSubmitted;
    if (frameOnItsOwn || !isClick(action.type))
        return DZAdViewDelegate::adViewShouldStartLoad(adView, action);

    auto host = host_.lock();
    auto view = adView.shared_from_this();
    // A click never navigates the creative, so the URL the script interceptor knows stays.
    const auto recordedURL = adView.URL();
    if (!DZAdViewDelegate::adViewShouldStartLoad(adView, action)) return false;
    adView.setURL(recordedURL);

    // The base policy lets http, https and about through; only a web page is somewhere to go.
    const std::string scheme = platform::web::WebEngine::schemeOf(action.url);
    if (scheme != "http" && scheme != "https") return false;
    opener().setReferringURL(adView.currentURL());
    // The opener counts the click when it opens it: counting here too would count it twice.
    opener().openApp(host->gestureClickURLWithURL(action.url));
    return false;
}

void DZBannerAdViewDelegate::openLinkInAppBrowser(DZAdView& adView, const std::string& url) {
    auto host = host_.lock();
    opener().setReferringURL(adView.currentURL());
    DZAdViewDelegate::openLinkInAppBrowser(adView, host ? host->gestureClickURLWithURL(url) : url);
}

void DZBannerAdViewDelegate::adViewDidStartLoad(DZAdView& adView) {
    DZAdViewDelegate::adViewDidStartLoad(adView);
    loadFinished_ = false;
    loadDelayed_ = false;
    stopDelayCap();
    if (delayHandler_) {
        auto self = std::static_pointer_cast<DZBannerAdViewDelegate>(shared_from_this());
        delayHandler_->reset(std::weak_ptr<DZDelayLoadDelegate>(self));
    }
}

void DZBannerAdViewDelegate::adViewDidFinishLoad(DZAdView& adView) {
    loadFinished_ = true;
    if (loadDelayed_) {
        // Reported when the last holder lets go, or given up after kMaxLoadDelaySeconds.
        armDelayCap();
        return;
    }
    auto self = shared_from_this();
    auto view = adView.shared_from_this();
    DZAdViewDelegate::adViewDidFinishLoad(adView);
    DZCSI::sharedInstance()->recordTimestampForLabel("native:view_load");
    auto host = host_.lock();
    if (!host || !host->isRenderingAd()) return;
    host->didReceiveValidAd();
    host->didLoadAdHTMLInWebView();
    adView.setHidden(false);
    if (!host->adType().isInterstitial()) host->didMakeAdImpression();
    host->adFinishedLoadingContent();
}

void DZBannerAdViewDelegate::adViewDidFailLoad(DZAdView& adView, const platform::web::WebError& error) {
    DZAdViewDelegate::adViewDidFailLoad(adView, error);
    auto host = host_.lock();
    if (!host || host->hasValidAd()) return;
    // The request's parameters are read from a copy: reading them uses up one-time extras.
    nlohmann::json parameters;
    if (const auto& request = host->request()) parameters = request->copy()->parameters();
    host->didFailToReceiveAdWithError(DZRequestError::errorWithCodeRequest(kDZErrorNetworkError, parameters),
                                      false);
}

void DZBannerAdViewDelegate::adViewContentSizeDidChange(DZAdView&, platform::web::ContentSize size) {
    if (auto host = host_.lock()) {
        host->updateContentSize({static_cast<float>(size.width), static_cast<float>(size.height)});
    }
}

void DZBannerAdViewDelegate::loadHandlerDidChangeDelay(DZDelayPageLoadAMSGHandler&, int from, int to) {
    if (from == 0 && to >= 1) {
        loadDelayed_ = true;
    } else if (from >= 1 && to == 0) {
        loadDelayed_ = false;
        stopDelayCap();
        auto host = host_.lock();
        auto adView = host ? host->adView() : nullptr;
        if (loadFinished_ && adView) adViewDidFinishLoad(*adView);
    }
}

void DZBannerAdViewDelegate::loadHandlerDidCancel(DZDelayPageLoadAMSGHandler&) {
    // The handler forgets this delegate: no later change ends this delay.
    loadDelayed_ = false;
    stopDelayCap();
    auto self = shared_from_this();
    auto host = host_.lock();
    auto adView = host ? host->adView() : nullptr;
    if (!adView) return;
    platform::web::WebError error;
    error.domain = "web";
    error.code = platform::web::WebError::kCancelled;
    error.message = "The page gave up its load";
    adViewDidFailLoad(*adView, error);
}

void DZBannerAdViewDelegate::armDelayCap() {
    if (delayCapTimer_) return;
    std::weak_ptr<DZBannerAdViewDelegate> weak =
        std::static_pointer_cast<DZBannerAdViewDelegate>(shared_from_this());
    delayCapTimer_ = dz_scheduledTimerWithTimeInterval(kMaxLoadDelaySeconds, false, 0, [weak](auto&) {
        auto self = weak.lock();
        if (!self) return;
        self->delayCapTimer_.reset();
        DZLog("Ad page still delays its load %g s after it finished: the load is given up",
              kMaxLoadDelaySeconds);
        if (self->delayHandler_) self->delayHandler_->cancel();
    });
}

void DZBannerAdViewDelegate::stopDelayCap() {
    if (!delayCapTimer_) return;
    delayCapTimer_->invalidate();
    delayCapTimer_.reset();
}
