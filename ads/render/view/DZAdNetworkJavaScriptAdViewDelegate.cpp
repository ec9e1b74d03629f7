#include "ads/render/view/DZAdNetworkJavaScriptAdViewDelegate.h"

#include <algorithm>
#include <cctype>

#include "ads/core/DZRequest.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/foundation/DZWeakTargetAdditions.h"
#include "ads/render/host/DZAdHost.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/url/Url.h"
#include "platform/web/WebEngine.h"

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::shared_ptr<DZAdNetworkJavaScriptAdViewDelegate> DZAdNetworkJavaScriptAdViewDelegate::create(
    const std::weak_ptr<DZAdHost>& host, const std::optional<std::string>& passbackURL) {
    auto delegate = std::make_shared<DZAdNetworkJavaScriptAdViewDelegate>(host, passbackURL);
    delegate->registerHostHandlers();
    return delegate;
}

DZAdNetworkJavaScriptAdViewDelegate::DZAdNetworkJavaScriptAdViewDelegate(
    std::weak_ptr<DZAdHost> host, std::optional<std::string> passbackURL)
    : DZBannerAdViewDelegate(std::move(host)), passbackURL_(std::move(passbackURL)) {}

DZAdNetworkJavaScriptAdViewDelegate::~DZAdNetworkJavaScriptAdViewDelegate() {
    stopRenderingTimer();
}

bool DZAdNetworkJavaScriptAdViewDelegate::isPassbackRequest(const std::string& url) const {
    if (platform::web::WebEngine::schemeOf(url) == "passback") return true;
    if (!passbackURL_) return false;
    const auto passback = platform::Url::parse(*passbackURL_);
    const auto request = platform::Url::parse(url);
    if (!passback || !request || passback->host().empty()) return false;
    return lowered(request->host()) == lowered(passback->host()) &&
           dz_isEquivalentToURLString(request->path(), passback->path());
}

bool DZAdNetworkJavaScriptAdViewDelegate::adViewShouldStartLoad(
    DZAdView& adView, const platform::web::NavigationAction& action) {
    if (action.url.empty()) return false;
    if (!isPassbackRequest(action.url)) return DZBannerAdViewDelegate::adViewShouldStartLoad(adView, action);
    auto self = shared_from_this();
    wasPassbackReceived_ = true;
    stopRenderingTimer();
    if (auto host = this->host()) {
        host->didFailToReceiveAdWithError(
            DZRequestError::errorWithCodeCustomMessage(kDZErrorNoFill, std::string("Passback URL received.")),
            true);
        host->scheduleAdReloadTimer();
    }
    return false;
}

void DZAdNetworkJavaScriptAdViewDelegate::adViewDidFinishLoad(DZAdView& adView) {
    if (renderingCheckHasStarted_ || wasPassbackReceived_) return;
    auto self = shared_from_this();
    auto view = std::static_pointer_cast<DZAdView>(adView.shared_from_this());
    renderingCheckHasStarted_ = true;
    if (auto host = this->host()) host->willLoadAdHTMLInWebView();
    startRenderingTimerForAdView(view);
}

void DZAdNetworkJavaScriptAdViewDelegate::startRenderingTimerForAdView(
    const std::shared_ptr<DZAdView>& adView) {
    stopRenderingTimer();
    std::weak_ptr<DZAdNetworkJavaScriptAdViewDelegate> weak =
        std::static_pointer_cast<DZAdNetworkJavaScriptAdViewDelegate>(shared_from_this());
    adViewRenderedChecker_ = std::make_shared<DZAdViewRenderedChecker>(
        adView, std::weak_ptr<DZAdViewRenderedCheckerDelegate>(weak.lock()));
    checkRenderingTimer_ = dz_scheduledTimerWithTimeInterval(kCheckInterval, true, 0, [weak](auto&) {
        auto self = weak.lock();
        if (!self || !self->adViewRenderedChecker_) return;
        // The verdict may stop the check: the checker stays alive through its own call.
        auto checker = self->adViewRenderedChecker_;
        checker->checkIsContentRenderedInAdView();
    });
}

void DZAdNetworkJavaScriptAdViewDelegate::stopRenderingTimer() {
    adViewRenderedChecker_.reset();
    if (checkRenderingTimer_) checkRenderingTimer_->invalidate();
    checkRenderingTimer_.reset();
}

void DZAdNetworkJavaScriptAdViewDelegate::adViewDidRenderContent(DZAdView& adView) {
    std::weak_ptr<DZAdNetworkJavaScriptAdViewDelegate> weak =
        std::static_pointer_cast<DZAdNetworkJavaScriptAdViewDelegate>(shared_from_this());
    std::weak_ptr<DZAdView> weakView = std::static_pointer_cast<DZAdView>(adView.shared_from_this());
    DZRunOnMainThread([weak, weakView] {
        auto self = weak.lock();
        auto view = weakView.lock();
        if (!self || !view || !self->checkRenderingTimer_) return;
        self->stopRenderingTimer();
        self->DZBannerAdViewDelegate::adViewDidFinishLoad(*view);
    });
}

void DZAdNetworkJavaScriptAdViewDelegate::adViewDidFailToRenderContent(DZAdView& adView) {
    if (++checkRenderingCount_ < kMaxFailedChecks) return;
    auto self = shared_from_this();
    auto view = adView.shared_from_this();
    stopRenderingTimer();
    platform::web::WebError error;
    error.domain = DZRequestError::kDomain;
    error.code = kDZErrorNoFill;
    error.message = "Ad check timed out.";
    adViewDidFailLoad(adView, error);
}
