#include "ads/mediation/DZMAdapterHTML.h"

#include "ads/core/DZAdServer.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZLogger.h"
#include "ads/mediation/DZMAdNetworkConnector.h"
#include "ads/mediation/DZMAdapterError.h"
#include "ads/mediation/DZMAdapterRegistration.h"
#include "ads/render/view/DZAdNetworkJavaScriptAdViewDelegate.h"
#include "ads/render/view/DZAdView.h"
#include "platform/dispatch/MainThread.h"
#include "platform/url/Url.h"
#include "platform/web/WebEngine.h"

namespace {

// The credential when it is text; anything else counts as missing.
std::optional<std::string> stringCredential(const nlohmann::json& credentials, const std::string& key) {
    if (!credentials.is_object()) return std::nullopt;
    auto it = credentials.find(key);
    if (it == credentials.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

}  // namespace

void DZMAdapterHTML::registerClass() {
    dz_registerAdapterClass<DZMAdapterHTML>(kClassName);
}

DZMAdapterHTML::~DZMAdapterHTML() {
    clearWebView();
}

const std::shared_ptr<DZAd>& DZMAdapterHTML::ad() const {
    static const std::shared_ptr<DZAd> none;
    return none;
}

const std::shared_ptr<DZRequest>& DZMAdapterHTML::request() const {
    static const std::shared_ptr<DZRequest> none;
    return none;
}

std::shared_ptr<DZMAdNetworkConnector> DZMAdapterHTML::liveConnector() const {
    return stopped_ ? nullptr : connector();
}

void DZMAdapterHTML::fail(long code, const std::string& text) {
    if (auto connector = liveConnector())
        connector->adapterDidFailAd(*this, dz_adapterError(DZRequestError::kDomain, code, text));
}

void DZMAdapterHTML::getBannerWithSize(DZAdSize size) {
    ASSERT_MAIN_THREAD();
    auto self = shared_from_this();
    clearWebView();
    auto connector = liveConnector();
    if (!connector) return;
    const auto credentials = connector->credentials();
    if (const auto passback = stringCredential(credentials, kPassbackURLKey)) {
        if (passback->empty()) return fail(kDZErrorNetworkError, "Empty passback URL in TYM response.");
        const auto url = platform::Url::parse(*passback);
        if (!url || !url->isWeb() || url->host().empty())
            return fail(kDZErrorNetworkError, "Invalid passback URL in TYM response.");
        passbackURL_ = url->text();
    }
    const auto html = stringCredential(credentials, kHTMLKey);
    if (!html || html->empty()) return fail(kDZErrorNetworkError, "Missing HTML in TYM response.");

    adType_ = DZAdType::bannerAdTypeForSize(size);
    const auto extent = CGSizeFromDZAdSize(size);
    adView_ = DZAdView::create({0, 0, extent.width, extent.height});
    if (!adView_->webView()) {
        // Every live web view is taken: another network may still have an ad.
        DZLogText("No web view for an HTML ad: " + adView_->engineError());
        adView_.reset();
        return fail(kDZErrorNetworkError, "No web view for the HTML ad.");
    }
    adView_->reset();
    adView_->configureAsBannerAdView();
    adViewDelegate_ = DZAdNetworkJavaScriptAdViewDelegate::create(weak_from_this(), passbackURL_);
    adView_->setDelegate(adViewDelegate_);
    loading_ = true;
    frameAtLoad_ = adView_->engine() ? adView_->engine()->frameNumber() : 0;
    firstDrawnAt_.reset();
    adView_->loadHTMLString(*html, DZAdServerURL("/"));
}

bool DZMAdapterHTML::waitsOnlyOnClock() const {
    if (!loading_ || stopped_ || !adView_ || !adViewDelegate_ || !adViewDelegate_->isRenderingTimerRunning())
        return false;
    const platform::web::WebEngine* engine = adView_->engine();
    // A check looks at the page as last drawn: until the loaded page has drawn, its verdict would
    // depend on how fast the engine draws.
    if (!engine || engine->isLoading() || engine->frameNumber() == frameAtLoad_ || !engine->drawnAtSize())
        return false;
    const auto now = std::chrono::steady_clock::now();
    if (!firstDrawnAt_ || engine->frameNumber() != frameSeen_) {
        frameSeen_ = engine->frameNumber();
        frameSeenAt_ = now;
        if (!firstDrawnAt_) firstDrawnAt_ = now;
    }
    return now - frameSeenAt_ >= kStillAfterDraw || now - *firstDrawnAt_ >= kMostAfterDraw;
}

void DZMAdapterHTML::getInterstitial() {
    auto self = shared_from_this();
    fail(kDZErrorInvalidRequest, "Interstitials not supported.");
}

void DZMAdapterHTML::presentInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>&) {
    getInterstitial();
}

void DZMAdapterHTML::stopBeingDelegate() {
    stopped_ = true;
    if (adViewDelegate_) adViewDelegate_->stopRenderingTimer();
    if (adView_) adView_->setDelegate({});
}

void DZMAdapterHTML::clearWebView() {
    if (adViewDelegate_) {
        adViewDelegate_->stopRenderingTimer();
        adViewDelegate_->opener().clearContext();
    }
    if (adView_) {
        adView_->setDelegate({});
        adView_->stopLoading();
    }
    adView_.reset();
    adViewDelegate_.reset();
    passbackURL_.reset();
    loading_ = false;
    delivered_ = false;
}

bool DZMAdapterHTML::isAutoClickProtected() const {
    auto owner = connector();
    return !owner || owner->isAutoClickProtected();
}

void DZMAdapterHTML::didReceiveValidAd() {
    if (loading_) delivered_ = true;
}

void DZMAdapterHTML::adFinishedLoadingContent() {
    if (!loading_ || !delivered_) return;
    auto self = shared_from_this();
    loading_ = false;
    timeLastLoaded_ = DZAbsoluteTime::absoluteTimeInMilliseconds();
    if (auto connector = liveConnector()) connector->adapterDidReceiveAdView(*this, adView_);
}

void DZMAdapterHTML::didFailToReceiveAdWithError(const DZRequestError::Ref& error, bool) {
    if (!loading_) return;
    auto self = shared_from_this();
    loading_ = false;
    if (adViewDelegate_ && adViewDelegate_->wasPassbackReceived())
        return fail(kDZErrorNoFill, "Ad network returned no ad.");
    // A page that failed to load, or never drew within the checks: an error, not a no fill.
    auto connector = liveConnector();
    if (!connector) return;
    if (error && !(error->domain() == DZRequestError::kDomain && error->code() == kDZErrorNoFill)) {
        connector->adapterDidFailAd(*this, error);
    } else {
        connector->adapterDidFailAd(*this, dz_adapterError(DZRequestError::kDomain, kDZErrorNetworkError,
                                                           "The HTML ad did not load."));
    }
}

void DZMAdapterHTML::adWasClicked() {
    if (auto connector = liveConnector()) connector->adapterDidGetAdClick(*this);
}

void DZMAdapterHTML::adWillLeaveApplication() {
    if (auto connector = liveConnector()) connector->adapterWillLeaveApplication(*this);
}

void DZMAdapterHTML::openWasBlocked(const nlohmann::json& info) {
    DZAdHost::tellOrphanOpenBlocked(info);
}

void DZMAdapterHTML::adWillPresentScreen() {
    if (auto connector = liveConnector()) connector->adapterWillPresentFullScreenModal(*this);
}

void DZMAdapterHTML::adWillDismissScreen() {
    if (auto connector = liveConnector()) connector->adapterWillDismissFullScreenModal(*this);
}

void DZMAdapterHTML::adDidDismissScreen() {
    if (auto connector = liveConnector()) connector->adapterDidDismissFullScreenModal(*this);
}
