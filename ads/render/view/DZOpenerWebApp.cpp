// The opener's rich-media states: a second ad page over the app (web app), the ad itself full
// screen (expand), and the ad resized in place. The page hears its state through the ad view's
// SDK events; refusals reach it as errors through the event handler of the host's ad. A
// presentation the screen refused counts no click and reports no state.
#include <memory>

#include "ads/core/DZAd.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZViewUtilities.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/host/DZMRAIDEventHandling.h"
#include "ads/render/mraid/DZMRAIDResizeProperties.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZExpandedAdAppViewController.h"
#include "ads/render/view/DZMRAIDResizeOverlayPresenter.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZSupplementalAdAppViewController.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/ui/InterfaceOrientation.h"

namespace {

constexpr const char* kExpandNotAllowed =
    "Expanding an ad is not allowed until the user interacts with the ad.";
constexpr const char* kResizeNotAllowed =
    "Resizing an ad is not allowed until the user interacts with the ad.";
constexpr const char* kOrientationNotSupported = "The orientation the ad asked for is not supported.";

void reportError(const DZOpener& opener, const std::string& message, const std::string& action) {
    auto host = opener.host();
    auto ad = host ? host->ad() : nullptr;
    if (auto handler = ad ? ad->MRAIDEventHandler() : nullptr) handler->handleError(message, action);
}

// The resize presenter of the screen the ad is on, when it is a resized ad.
std::shared_ptr<DZMRAIDResizeOverlayPresenter> resizePresenterOf(
    const std::shared_ptr<DZViewController>& controller) {
    return controller ? std::dynamic_pointer_cast<DZMRAIDResizeOverlayPresenter>(controller->presenter())
                      : nullptr;
}

void sendState(const std::weak_ptr<DZAdView>& weakAdView, const char* state) {
    if (auto adView = weakAdView.lock())
        adView->dispatchSDKEvent("onStateChanged", nlohmann::json{{"state", state}});
}

void sendResized(const std::weak_ptr<DZAdView>& weakAdView, const DZMRAIDResizeProperties& properties) {
    auto adView = weakAdView.lock();
    if (!adView) return;
    adView->dispatchSDKEvent("onStateChanged", nlohmann::json{{"state", "resized"}});
    adView->dispatchSDKEvent("onSizeChanged", nlohmann::json{{"width", properties.size().width},
                                                             {"height", properties.size().height}});
}

bool supportsOrientations(const DZOpener& opener, unsigned mask) {
    auto adView = opener.adView();
    return adView
               ? dz_supportsOrientations(*adView, mask)
               : (mask &
                  platform::ui::interfaceOrientationMask(platform::ui::InterfaceOrientation::Portrait)) != 0;
}

// Whether a screen over the app in these orientations may open; when not, the page hears why.
bool mayExpand(DZOpener& opener, unsigned mask) {
    if (!supportsOrientations(opener, mask)) {
        reportError(opener, kOrientationNotSupported, "expand");
        return false;
    }
    if (!opener.shouldPerformOpenAction()) {
        reportError(opener, kExpandNotAllowed, "expand");
        return false;
    }
    return true;
}

}  // namespace

bool DZOpener::shouldPerformOpenActionWithOrientations(unsigned mask) {
    return supportsOrientations(*this, mask) && shouldPerformOpenAction();
}

void DZOpener::configureOverlay(DZAdAppViewController& controller, unsigned orientations,
                                bool useCustomClose) {
    controller.setSupportedInterfaceOrientations(orientations);
    controller.setHost(host_);
    controller.setUseCustomClose(useCustomClose);
}

std::shared_ptr<DZSupplementalAdAppViewController> DZOpener::overlayWithOrientations(unsigned orientations,
                                                                                     bool useCustomClose) {
    auto controller = DZSupplementalAdAppViewController::create();
    configureOverlay(*controller, orientations, useCustomClose);
    return controller;
}

void DZOpener::disableAutoCollapseForResize() {
    auto controller = std::dynamic_pointer_cast<DZViewController>(viewController_.lock());
    if (auto presenter = resizePresenterOf(controller)) presenter->setDismissToDefaultState(false);
}

void DZOpener::openWebApp(const std::string& url, unsigned supportedOrientations, bool useCustomClose) {
    if (url.empty()) return;
    if (!platform::UrlOpener::isOpenable(url)) {
        DZLog("Ad web app of scheme \"%s\" not opened: only http and https are",
              platform::web::WebEngine::schemeOf(url).substr(0, 32).c_str());
        return;
    }
    // The callbacks below may release this opener's owner.
    auto self = weak_from_this().lock();
    if (!mayExpand(*this, supportedOrientations)) return;
    auto from = viewController_.lock();
    if (!canOpenContent(true)) return;
    disableAutoCollapseForResize();
    auto controller = overlayWithOrientations(supportedOrientations, useCustomClose);
    controller->load(url);
    controller->presentFromViewController(from, {});
    if (controller->isOnScreen()) didOpenInApp();
}

void DZOpener::openWebAppWithHTML(const std::string& html, unsigned supportedOrientations,
                                  bool useCustomClose) {
    // The callbacks below may release this opener's owner.
    auto self = weak_from_this().lock();
    if (!mayExpand(*this, supportedOrientations)) return;
    auto from = viewController_.lock();
    if (!canOpenContent(!html.empty())) return;
    disableAutoCollapseForResize();
    auto controller = overlayWithOrientations(supportedOrientations, useCustomClose);
    controller->loadHTML(html, "");
    controller->presentFromViewController(from, {});
    if (controller->isOnScreen()) didOpenInApp();
}

void DZOpener::expandToWebAppWithSupportedOrientations(unsigned supportedOrientations, bool useCustomClose) {
    // The callbacks below may release this opener's owner.
    auto self = weak_from_this().lock();
    if (!mayExpand(*this, supportedOrientations)) return;
    auto adView = adView_.lock();
    auto from = viewController_.lock();
    if (!canOpenContent(adView != nullptr)) return;
    std::weak_ptr<DZViewController> resized;
    if (auto current = std::dynamic_pointer_cast<DZViewController>(from)) {
        auto presenter = resizePresenterOf(current);
        // Already full screen: nothing more to expand to.
        if (!presenter) return;
        // Expanded from the resized state: the page goes back to default when the expanded ad
        // closes, not when the resized one does.
        presenter->setDismissToDefaultState(false);
        resized = current;
    }
    auto controller = DZExpandedAdAppViewController::create(adView);
    configureOverlay(*controller, supportedOrientations, useCustomClose);
    std::weak_ptr<DZAdView> weakAdView = adView;
    controller->setDismissalCompletion([weakAdView, resized] {
        if (auto adView = weakAdView.lock()) adView->dispatchSDKEvent("collapsed", std::nullopt);
        sendState(weakAdView, "default");
        // The resized screen the ad was lifted from is empty now; it goes too.
        if (auto screen = resized.lock()) screen->relinquishScreenWithCompletion({});
    });
    controller->presentFromViewController(from, [weakAdView] {
        // A turn later, so "expanding" below is always the page's first word.
        platform::DispatchQueue::main()->async([weakAdView] { sendState(weakAdView, "expanded"); });
    });
    if (!controller->isOnScreen()) return;
    adView->dispatchSDKEvent("expanding", std::nullopt);
    didOpenInApp();
}

void DZOpener::openWebAppWithResizeProperties(const std::shared_ptr<DZMRAIDResizeProperties>& properties) {
    // The callbacks below may release this opener's owner.
    auto self = weak_from_this().lock();
    if (!shouldPerformOpenAction()) {
        reportError(*this, kResizeNotAllowed, "resize");
        return;
    }
    auto adView = adView_.lock();
    auto from = viewController_.lock();
    if (!canOpenContent(adView != nullptr)) return;
    if (!properties) {
        DZLog("Ad resize without usable properties ignored");
        return;
    }
    std::weak_ptr<DZAdView> weakAdView = adView;
    if (auto current = std::dynamic_pointer_cast<DZViewController>(from)) {
        auto presenter = resizePresenterOf(current);
        // Full screen: there is nothing to resize.
        if (!presenter) return;
        presenter->setResizeProperties(properties);
        // Refused properties were reported; the ad stays as it was and nothing else is said.
        if (presenter->resizeProperties() != properties) return;
        presenter->repositionContentIfNeeded();
        if (auto adApp = std::dynamic_pointer_cast<DZAdAppViewController>(current))
            adApp->setCustomClosePosition(properties->customClosePosition());
        sendResized(weakAdView, *properties);
        return;
    }
    auto host = host_.lock();
    auto ad = host ? host->ad() : nullptr;
    auto controller = DZExpandedAdAppViewController::create(adView);
    configureOverlay(*controller, platform::ui::kInterfaceOrientationMaskAll, true);
    auto presenter =
        std::make_shared<DZMRAIDResizeOverlayPresenter>(adView->superview(), adView->frame().origin);
    if (ad) presenter->setMRAIDEventHandler(ad->MRAIDEventHandler());
    presenter->setResizeProperties(properties);
    if (!presenter->resizeProperties()) return;
    controller->setPresenter(presenter);
    controller->setCustomClosePosition(properties->customClosePosition());
    std::weak_ptr<DZMRAIDResizeOverlayPresenter> weakPresenter = presenter;
    controller->setDismissalCompletion([weakAdView, weakPresenter] {
        auto presenter = weakPresenter.lock();
        if (presenter && presenter->dismissToDefaultState()) sendState(weakAdView, "default");
    });
    controller->presentFromViewController(from, [weakAdView, weakPresenter] {
        // The size the ad has now: a second resize may have come while this one slid in.
        auto presenter = weakPresenter.lock();
        if (presenter && presenter->resizeProperties())
            sendResized(weakAdView, *presenter->resizeProperties());
    });
    if (controller->isOnScreen()) didOpenInApp();
}
