#include "ads/render/view/DZMRAIDResizeOverlayPresenter.h"

#include "ads/render/host/DZMRAIDEventHandling.h"
#include "ads/render/mraid/DZMRAIDResizeProperties.h"
#include "ads/render/overlay/DZUnclickableView.h"
#include "ads/render/view/DZAdAppViewController.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

using platform::Rect;

DZMRAIDResizeOverlayPresenter::DZMRAIDResizeOverlayPresenter(
    std::shared_ptr<platform::ui::View> referenceView, platform::Point anchor)
    : referenceView_(std::move(referenceView)), anchor_(anchor) {}

Rect DZMRAIDResizeOverlayPresenter::orientedApplicationFrame() {
    const Rect screen = platform::ui::Screen::mainBounds();
    platform::Size size = screen.size;
    const int orientation = platform::ui::Application::shared().statusBarOrientation();
    if (orientation == 3 || orientation == 4) std::swap(size.width, size.height);
    return frameWithSize(size, screen);
}

Rect DZMRAIDResizeOverlayPresenter::adjustedContentFrame(const Rect& frame, const Rect& bounds) {
    Rect adjusted = frame;
    if (adjusted.minX() < bounds.minX()) {
        adjusted.origin.x += bounds.minX() - adjusted.minX();
    } else if (adjusted.maxX() > bounds.maxX()) {
        adjusted.origin.x -= adjusted.maxX() - bounds.maxX();
    }
    if (adjusted.minY() < bounds.minY()) {
        adjusted.origin.y += bounds.minY() - adjusted.minY();
    } else if (adjusted.maxY() > bounds.maxY()) {
        adjusted.origin.y -= adjusted.maxY() - bounds.maxY();
    }
    return adjusted;
}

Rect DZMRAIDResizeOverlayPresenter::frameInReferenceView(const DZMRAIDResizeProperties& properties) const {
    return {anchor_.x + properties.offset().x, anchor_.y + properties.offset().y, properties.size().width,
            properties.size().height};
}

bool DZMRAIDResizeOverlayPresenter::resizePropertiesAreValid(const DZMRAIDResizeProperties& properties,
                                                             const platform::ui::View& view) const {
    const Rect frame = frameInReferenceView(properties);
    const Rect screen = orientedApplicationFrame();
    const Rect bounds{view.convertPointFromWindow(screen.origin), screen.size};
    const int close = properties.customClosePosition();
    if (DZMRAIDResizeProperties::isContentFrameValid(frame, bounds, properties.allowOffscreen(), close))
        return true;
    if (properties.allowOffscreen()) return false;
    return DZMRAIDResizeProperties::isContentFrameValid(adjustedContentFrame(frame, bounds), bounds, false,
                                                        close);
}

void DZMRAIDResizeOverlayPresenter::reportError(const std::string& message, const std::string& action) const {
    if (auto handler = handler_.lock()) handler->handleError(message, action);
}

void DZMRAIDResizeOverlayPresenter::setResizeProperties(
    const std::shared_ptr<DZMRAIDResizeProperties>& properties) {
    if (properties && referenceView_ && resizePropertiesAreValid(*properties, *referenceView_)) {
        resizeProperties_ = properties;
        return;
    }
    reportError("Received invalid resize properties " + (properties ? properties->description() : "(none)"),
                "setResizeProperties");
}

bool DZMRAIDResizeOverlayPresenter::isReadyToPresent() const {
    if (!resizeProperties_ || !referenceView_) return false;
    if (!resizePropertiesAreValid(*resizeProperties_, *referenceView_)) {
        reportError("Tried to resize with invalid resize properties " + resizeProperties_->description(),
                    "resize");
        return false;
    }
    return DZTransparentOverlayPresenter::isReadyToPresent();
}

Rect DZMRAIDResizeOverlayPresenter::contentFrame() const {
    if (!resizeProperties_ || !referenceView_) return {};
    const Rect inReference = frameInReferenceView(*resizeProperties_);
    const Rect inWindow = referenceView_->convertRectToWindow(inReference);
    const Rect frame{cropView()->convertPointFromWindow(inWindow.origin), inWindow.size};
    const Rect bounds = cropView()->bounds();
    if (!resizeProperties_->allowOffscreen() &&
        !DZMRAIDResizeProperties::isContentFrameValid(frame, bounds, false,
                                                      resizeProperties_->customClosePosition()))
        return adjustedContentFrame(frame, bounds);
    return frame;
}

void DZMRAIDResizeOverlayPresenter::placeCropView() {
    // The crop is the application's screen as the status bar turns it, so a rotation shows
    // whether the ad still fits.
    cropView()->setFrame(frameWithSize(orientedApplicationFrame().size, pivotView()->bounds()));
}

void DZMRAIDResizeOverlayPresenter::setPresentedFrame(const Rect& frame) {
    auto presented = presentedViewController();
    if (!presented) return;
    presented->view()->setFrame(frame);
    if (auto adApp = std::dynamic_pointer_cast<DZAdAppViewController>(presented)) adApp->layoutContent();
}

void DZMRAIDResizeOverlayPresenter::composeTransparentInterstitialViewsForPresentation() {
    DZTransparentOverlayPresenter::composeTransparentInterstitialViewsForPresentation();
    placeCropView();
    setPresentedFrame(contentFrame());
}

void DZMRAIDResizeOverlayPresenter::updateTransparentInterstitialOrientation() {
    DZTransparentOverlayPresenter::updateTransparentInterstitialOrientation();
    placeCropView();
    repositionContentIfNeeded();
}

void DZMRAIDResizeOverlayPresenter::repositionContentIfNeeded() {
    auto presented = presentedViewController();
    if (!presented || !resizeProperties_ || closingAsInvalid_) return;
    const Rect frame = contentFrame();
    std::weak_ptr<DZMRAIDResizeOverlayPresenter> weak =
        std::static_pointer_cast<DZMRAIDResizeOverlayPresenter>(shared_from_this());
    if (presented->view()->frame() != frame) {
        setPresentedFrame(frame);
        if (recheckScheduled_) return;
        recheckScheduled_ = true;
        platform::DispatchQueue::main()->after(kRecheckSeconds, [weak] {
            auto self = weak.lock();
            if (!self) return;
            self->recheckScheduled_ = false;
            self->repositionContentIfNeeded();
        });
        return;
    }
    if (DZMRAIDResizeProperties::isContentFrameValid(frame, cropView()->bounds(),
                                                     resizeProperties_->allowOffscreen(),
                                                     resizeProperties_->customClosePosition()))
        return;
    closingAsInvalid_ = true;
    std::weak_ptr<DZViewController> weakPresented = presented;
    platform::DispatchQueue::main()->async([weak, weakPresented] {
        if (auto self = weak.lock())
            self->reportError("Resize properties became invalid after device rotation.", "resize");
        if (auto controller = weakPresented.lock()) controller->relinquishScreenWithCompletion({});
    });
}
