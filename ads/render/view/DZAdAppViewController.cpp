#include "ads/render/view/DZAdAppViewController.h"

#include "ads/core/DZAd.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/mraid/DZMRAIDResizeProperties.h"
#include "ads/render/overlay/DZTransparentOverlayPresenter.h"
#include "ads/render/view/DZAdAppAdViewDelegate.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZIntrinsicImages.h"
#include "ads/render/view/DZOpener.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"

using platform::Rect;

std::shared_ptr<DZAdAppViewController> DZAdAppViewController::create(std::shared_ptr<DZAdView> adView) {
    const bool own = !adView;
    auto controller = std::make_shared<DZAdAppViewController>(std::move(adView));
    if (own) controller->adView()->setViewController(controller);
    return controller;
}

DZAdAppViewController::DZAdAppViewController(std::shared_ptr<DZAdView> adView)
    : adView_(adView ? std::move(adView) : DZAdView::create({0, 0, 320, 480})),
      closeButton_(
          std::make_shared<platform::ui::Button>(platform::ui::ButtonType::Custom, Rect{0, 0, 32, 32})) {}

DZAdAppViewController::~DZAdAppViewController() {
    if (adView_) {
        if (adView_->viewController().get() == this || adView_->viewController() == nullptr) {
            adView_->setViewController({});
        }
        auto delegate = adView_->delegate();
        if (delegate && delegate == std::static_pointer_cast<DZAdViewDelegateProtocol>(adViewDelegate_)) {
            adView_->setDelegate({});
        }
    }
    if (adViewDelegate_) adViewDelegate_->opener().setHost({});
}

bool DZAdAppViewController::isMRAIDAd() const {
    auto s = host();
    return s && s->isMRAIDEnabled();
}

void DZAdAppViewController::load(const std::string& url) {
    if (configured_) {
        if (adView_) adView_->loadRequest({url, {}});
    } else {
        URLToLoad_ = url;
    }
}

void DZAdAppViewController::loadHTML(const std::string& html, const std::string& baseURL) {
    if (configured_) {
        if (adView_) adView_->loadHTMLString(html, baseURL);
    } else {
        HTMLToLoad_ = {html, baseURL};
    }
}

void DZAdAppViewController::setUseCustomClose(bool useCustomClose) {
    if (useCustomClose == useCustomClose_) return;
    useCustomClose_ = useCustomClose;
    if (configured_) updateCloseButtonVisibilityAndImage();
}

void DZAdAppViewController::setCustomClosePosition(int position) {
    customClosePosition_ = position;
    if (isMRAIDAd() && configured_) positionMRAIDCloseButton();
}

void DZAdAppViewController::setUsesTransparentOverlayPresenter(bool transparent) {
    setPresenter(transparent ? std::make_shared<DZTransparentOverlayPresenter>() : nullptr);
}

void DZAdAppViewController::closeButtonPressed() {
    relinquishScreenWithCompletion({});
}

bool DZAdAppViewController::isLoaded() const {
    return adViewDelegate_ && adViewDelegate_->hasLoadedAtLeastOnce();
}

bool DZAdAppViewController::shouldDismissOnApplicationEnteringForeground() {
    if (useCustomClose_) return true;
    if (isLoaded() && adViewDelegate_->opener().didOpenAnotherApplication()) {
        // The user comes back from where the ad's click took them: the ad stays for this return.
        adViewDelegate_->opener().setDidOpenAnotherApplication(false);
        return false;
    }
    return true;
}

void DZAdAppViewController::updateCloseButtonVisibilityAndImage() {
    if (useCustomClose_ && !isMRAIDAd()) {
        closeButton_->removeFromSuperview();
        return;
    }
    auto& images = DZIntrinsicImages::sharedInstance();
    auto picture = useCustomClose_ ? images.transparentImage() : images.closeButton();
    closeButton_->setImage(picture.image, platform::ui::ControlStateNormal, picture.scale);
    auto v = view();
    if (closeButton_->superview() == v) {
        v->bringSubviewToFront(closeButton_);
    } else {
        v->addSubview(closeButton_);
    }
}

void DZAdAppViewController::positionMRAIDCloseButton() {
    // The page's close area: 50 points square where the page chose (top right unless it said
    // otherwise).
    closeButton_->setFrame(
        DZMRAIDResizeProperties::closeButtonRectForPosition(customClosePosition_, view()->bounds()));
}

void DZAdAppViewController::placeCloseButton() {
    updateCloseButtonVisibilityAndImage();
    if (isMRAIDAd()) {
        positionMRAIDCloseButton();
    } else {
        closeButton_->setFrame({0, 0, 32, 32});
    }
}

void DZAdAppViewController::adKindDidChange() {
    if (configured_) placeCloseButton();
}

void DZAdAppViewController::tellHostPageVisibility(bool visible) {
    auto s = host();
    if (!s || !adView_ || s->adView() != adView_ || adView_->viewController().get() != this) return;
    if (auto handler = s->ad() ? s->ad()->MRAIDEventHandler() : nullptr) handler->updateVisibility(visible);
}

void DZAdAppViewController::layoutContent() {
    if (!configured_) return;
    if (adView_ && adView_->superview() == view()) adView_->setFrame(view()->bounds());
    if (isMRAIDAd()) positionMRAIDCloseButton();
}

void DZAdAppViewController::configureView() {
    auto v = view();
    // The view may stay on a window longer than this controller lives.
    std::weak_ptr<DZAdAppViewController> weak = std::static_pointer_cast<DZAdAppViewController>(sharedSelf());
    closeButton_->addTarget(platform::ui::ControlEventTouchUpInside, [weak](platform::ui::Control&) {
        if (auto self = weak.lock()) self->closeButtonPressed();
    });
    adView_->setFrame(v->bounds());
    adView_->setHidden(false);
    // A page with the screen to itself is shown on white where it paints nothing; one laid over
    // the app (a resized ad, or a page that asked for a clear background) lets the app show.
    if (!std::dynamic_pointer_cast<DZTransparentOverlayPresenter>(presenter()))
        adView_->setPageBackgroundColor(platform::ui::Color::white());
    v->addSubview(adView_);
    placeCloseButton();
    adViewDelegate_ =
        DZAdAppAdViewDelegate::create(std::static_pointer_cast<DZAdAppViewController>(sharedSelf()));
    adView_->setDelegate(adViewDelegate_);
    adViewDelegate_->opener().setHost(host());
    if (URLToLoad_) {
        adView_->loadRequest({*URLToLoad_, {}});
    } else if (HTMLToLoad_) {
        adView_->loadHTMLString(HTMLToLoad_->first, HTMLToLoad_->second);
    }
    URLToLoad_.reset();
    HTMLToLoad_.reset();
}

void DZAdAppViewController::viewWillAppear(bool animated) {
    DZViewController::viewWillAppear(animated);
    if (!configured_) {
        configured_ = true;
        configureView();
    }
    if (adView_ && adView_->superview() == view()) adView_->setFrame(view()->bounds());
    if (auto s = host()) s->interstitialViewWillAppear();
}

void DZAdAppViewController::viewDidAppear(bool animated) {
    DZViewController::viewDidAppear(animated);
    viewHasAppeared_ = true;
    if (adView_)
        adView_->forceRotateToOrientation(platform::ui::Application::shared().statusBarOrientation());
    tellHostPageVisibility(true);
}

void DZAdAppViewController::viewWillDisappear(bool animated) {
    DZViewController::viewWillDisappear(animated);
    if (auto s = host()) s->interstitialViewWillDisappear();
    // An expanded or resized ad has gone back to its place by now, where it is measured again.
    tellHostPageVisibility(false);
}

void DZAdAppViewController::viewChangedToOrientation(int orientation) {
    if (adView_) adView_->didRotateToOrientation(orientation);
}

void DZAdAppViewController::releaseAdView() {
    if (!adView_) return;
    adView_->removeFromSuperview();
    if (adView_->viewController().get() == this) adView_->setViewController({});
    adView_.reset();
}
