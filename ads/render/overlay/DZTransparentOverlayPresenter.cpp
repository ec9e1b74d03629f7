#include "ads/render/overlay/DZTransparentOverlayPresenter.h"

#include "ads/render/host/DZAdHost.h"
#include "ads/render/overlay/DZUnclickableView.h"
#include "ads/render/overlay/DZViewController.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/Window.h"

using platform::Rect;
using platform::ui::NotificationCenter;

DZTransparentOverlayPresenter::DZTransparentOverlayPresenter()
    : pivot_(std::make_shared<DZUnclickableView>(Rect{0, 0, 320, 480})),
      crop_(std::make_shared<DZUnclickableView>()) {}

DZTransparentOverlayPresenter::~DZTransparentOverlayPresenter() {
    stopObserving();
}

void DZTransparentOverlayPresenter::stopObserving() {
    auto& center = NotificationCenter::defaultCenter();
    if (orientationObserver_) center.removeObserver(orientationObserver_);
    if (placementObserver_) center.removeObserver(placementObserver_);
    orientationObserver_ = placementObserver_ = 0;
}

platform::ui::Window* DZTransparentOverlayPresenter::window() const {
    auto presented = presented_.lock();
    if (presented && presented->isViewLoaded()) {
        if (auto* w = presented->view()->window()) return w;
    }
    if (auto w = window_.lock()) return w.get();
    return platform::ui::Application::shared().keyWindow().get();
}

std::shared_ptr<platform::ui::ViewController> DZTransparentOverlayPresenter::presentationViewController()
    const {
    auto* w = window();
    std::shared_ptr<platform::ui::ViewController> top = w ? w->rootViewController() : nullptr;
    while (top && top->presentedViewController()) top = top->presentedViewController();
    return top;
}

Rect DZTransparentOverlayPresenter::frameWithSize(platform::Size size, const Rect& frame) {
    return {frame.origin.x + (frame.size.width - size.width) / 2,
            frame.origin.y + (frame.size.height - size.height) / 2, size.width, size.height};
}

bool DZTransparentOverlayPresenter::presentFromViewController(
    const std::shared_ptr<platform::ui::ViewController>& from, std::function<void()> completion) {
    auto presented = presented_.lock();
    if (!presented || !from) return false;
    auto* fromWindow = from->isViewLoaded() ? from->view()->window() : nullptr;
    auto window = fromWindow ? std::static_pointer_cast<platform::ui::Window>(fromWindow->shared_from_this())
                             : platform::ui::Application::shared().keyWindow();
    if (!window) return false;
    window_ = window;
    window->addPresentedView(pivot_);
    composeTransparentInterstitialViewsForPresentation();
    animateTransparentInterstitialPresentationWithCompletionHandler(std::move(completion));
    return true;
}

void DZTransparentOverlayPresenter::composeTransparentInterstitialViewsForPresentation() {
    auto presented = presented_.lock();
    auto window = window_.lock();
    if (!presented || !window) return;
    auto view = presented->view();
    view->setBackgroundColor(platform::ui::Color::clear());
    const Rect screen = window->bounds();
    pivot_->setFrame(frameWithSize(screen.size, screen));
    pivot_->setBackgroundColor(platform::ui::Color::clear());
    crop_->setFrame(frameWithSize(screen.size, pivot_->bounds()));
    view->setFrame(crop_->bounds());
    pivot_->addSubview(crop_);
    crop_->addSubview(view);

    stopObserving();
    std::weak_ptr<DZTransparentOverlayPresenter> weak = weak_from_this();
    auto& center = NotificationCenter::defaultCenter();
    orientationObserver_ = center.addObserver(
        platform::ui::kApplicationDidChangeStatusBarOrientationNotification,
        [weak](const platform::ui::Notification&) {
            if (auto self = weak.lock()) self->updateTransparentInterstitialOrientation();
        },
        this);
    if (auto host = presented->host()) {
        // The host posts itself as a DZAdHost: compare the same pointer.
        const void* hostObject = static_cast<const DZAdHost*>(host.get());
        placementObserver_ = center.addObserver(
            DZAdHost::kDidLeaveWindowNotification,
            [weak, hostObject](const platform::ui::Notification& note) {
                auto self = weak.lock();
                if (!self || note.object != hostObject) return;
                auto controller = self->presented_.lock();
                if (controller && controller->isViewLoaded() && controller->view()->window()) {
                    controller->relinquishScreenWithCompletion({});
                }
            },
            this);
    }
}

void DZTransparentOverlayPresenter::animateTransparentInterstitialPresentationWithCompletionHandler(
    std::function<void()> completion) {
    const Rect target = pivot_->frame();
    Rect start = target;
    start.origin.y += target.size.height;
    pivot_->setFrame(start);
    platform::ui::ViewAnimation::start(pivot_, kSlideSeconds, {target, std::nullopt, std::nullopt},
                                       [completion = std::move(completion)](bool) {
                                           if (completion) completion();
                                       });
}

void DZTransparentOverlayPresenter::updateTransparentInterstitialOrientation() {
    auto presented = presented_.lock();
    auto window = window_.lock();
    if (!window || !presented) return;
    const Rect screen = window->bounds();
    pivot_->setFrame(frameWithSize(screen.size, screen));
    crop_->setFrame(frameWithSize(screen.size, pivot_->bounds()));
    presented->viewChangedToOrientation(platform::ui::Application::shared().statusBarOrientation());
}

void DZTransparentOverlayPresenter::dismissWithCompletionHandler(std::function<void()> completion) {
    stopObserving();
    auto presented = presented_.lock();
    if (!presented || !presented->isViewLoaded() || !presented->view()->superview()) {
        if (completion) completion();
        return;
    }
    auto view = presented->view();
    auto pivot = pivot_;
    std::weak_ptr<platform::ui::Window> weakWindow = window_;
    platform::ui::ViewAnimation::start(view, kFadeSeconds, {std::nullopt, 0.0f, std::nullopt},
                                       [pivot, view, weakWindow, completion = std::move(completion)](bool) {
                                           if (auto window = weakWindow.lock())
                                               window->removePresentedView(pivot.get());
                                           pivot->removeFromSuperview();
                                           view->removeFromSuperview();
                                           if (completion) completion();
                                       });
}
