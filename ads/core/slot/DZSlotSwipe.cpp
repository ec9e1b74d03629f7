// The slot's part in pulling a store page out of its ad with a swipe: the geometry checks that
// tell the creative where the ad is, the pan that starts the presentation, the page itself and
// the events the creative hears about it.
#include <cmath>

#include "ads/core/DZAd.h"
#include "ads/core/DZSwipeToViewControllerConfigurations.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZScheduler.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZOverlayProxy.h"
#include "ads/render/view/DZSKStoreProductViewControllerDelegate.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/View.h"

using platform::ui::GestureRecognizerState;
using platform::ui::PanGestureRecognizer;

namespace {

std::shared_ptr<DZSwipeToViewControllerConfigurations> configurationsOf(const std::shared_ptr<DZAd>& ad) {
    return ad ? ad->swipeConfigurations() : nullptr;
}

nlohmann::json rectangleDictionary(const platform::Rect& r) {
    return {{"x", static_cast<double>(r.origin.x)},
            {"y", static_cast<double>(r.origin.y)},
            {"width", static_cast<double>(r.size.width)},
            {"height", static_cast<double>(r.size.height)}};
}

}  // namespace

void DZSlot::scheduleSwipeToViewControllerChecker() {
    if (swipeToViewControllerChecker_) return;
    const double asked = sdkCoreController()->swipeToViewSamplingInterval();
    // The core page sends no interval unless it has one, and the controller then reads 0.
    const double interval = asked >= kMinimumSwipeCheckerInterval ? asked : kMinimumSwipeCheckerInterval;
    swipeToViewControllerChecker_ = DZScheduler::initWithInterval(interval);
    swipeToViewControllerCheckerTaskID_ = swipeToViewControllerChecker_->taskIDScheduledOnQueue(
        platform::DispatchQueue::main(), [weak = weak_from_this()] {
            if (auto self = weak.lock()) self->canEnableSwipeToViewController();
        });
    swipeToViewControllerChecker_->start();
}

void DZSlot::unscheduleSwipeToViewControllerChecker() {
    auto checker = std::move(swipeToViewControllerChecker_);
    swipeToViewControllerChecker_.reset();
    if (!checker) return;
    checker->unscheduleTaskWithID(swipeToViewControllerCheckerTaskID_);
    checker->stop();
    swipeToViewControllerCheckerTaskID_ = -1;
}

nlohmann::json DZSlot::swipeVisibilityParameters() const {
    bool scrollable = false;
    for (auto view = adView_->superview(); view; view = view->superview()) {
        if (dynamic_cast<platform::ui::ScrollView*>(view.get())) {
            scrollable = true;
            break;
        }
    }
    auto device = DZDevice::sharedInstance();
    return {{"creativeFrame", rectangleDictionary(adView_->convertRectToWindow(adView_->bounds()))},
            {"deviceFrame", rectangleDictionary(device->standardizedOrientedApplicationFrame())},
            {"deviceOrientation", device->orientationLandscape() ? "landscape" : "portrait"},
            {"anySuperViewScrollable", scrollable ? "1" : "0"}};
}

void DZSlot::canEnableSwipeToViewController() {
    // An ad off the window is not visible anywhere: its creative hears of it once it is back.
    if (!configurationsOf(ad_) || strongSlotForSwipeToViewController_ || !adView_ || !adView_->window())
        return;
    auto parameters = swipeVisibilityParameters();
    if (parameters == savedParamsForCheckingSwipeToViewController_) return;
    savedParamsForCheckingSwipeToViewController_ = parameters;
    adView_->postJSNotification("onAdVisible", parameters);
}

void DZSlot::enableSwipeToViewController() {
    auto configurations = configurationsOf(ad_);
    auto delegate = slotDelegate();
    auto view = delegate ? delegate->swipeToViewControllerView() : nullptr;
    if (!configurations || !view) return;
    setUpAnimationController();
    auto recognizer = swipeGestureRecognizer_;
    if (recognizer->view() != view.get()) view->addGestureRecognizer(recognizer);
    swipeToViewControllerEnabled_ = true;
    animationController_->setDelegate(
        std::weak_ptr<DZPercentDrivenUserInteractionAnimationControllerDelegate>(shared_from_this()));
    recognizer->removeTarget(this);
    recognizer->addTarget(this, [weak = weak_from_this()](platform::ui::GestureRecognizer& pan) {
        if (auto self = weak.lock()) self->handlePanGesture(static_cast<PanGestureRecognizer&>(pan));
    });
    // A page that is up goes back the way it came, with the picture it took.
    if (!strongSlotForSwipeToViewController_) prepareSwipeAnimation(false);
}

void DZSlot::prepareSwipeAnimation(bool withPicture) {
    auto configurations = configurationsOf(ad_);
    if (!animation_ || !configurations) return;
    // A later ad of this slot may ask for another length or direction.
    animation_->setTransitionDuration(configurations->swipeAnimationTransitionDuration());
    animation_->setDirection(configurations->swipeDirection());
    // The animation holds the ad's picture strongly, and the swipe view (the public banner) owns
    // this slot: the picture is taken only for a presentation, and let go of after it.
    auto delegate = slotDelegate();
    animation_->setDraggableView(withPicture && configurations->adDraggable() && delegate
                                     ? delegate->swipeToViewControllerView()
                                     : nullptr);
}

void DZSlot::disableSwipeToViewController() {
    if (!swipeToViewControllerEnabled_) return;
    savedParamsForCheckingSwipeToViewController_.reset();
    swipeToViewControllerEnabled_ = false;
    auto recognizer = swipeGestureRecognizer_;
    if (!recognizer) return;
    recognizer->removeTarget(this);
    // The pan goes with its recognizer: a presentation it was driving must not hang half-way.
    cancelRunningSwipeTransition();
    if (auto* view = recognizer->view()) view->removeGestureRecognizer(recognizer.get());
}

void DZSlot::cancelRunningSwipeTransition() {
    if (!swipeTransitionRunning_ || !animationController_) return;
    auto hold = shared_from_this();
    swipeTransitionRunning_ = false;
    animationController_->cancelInteractiveTransition();
    swipeableStoreProductViewController_.reset();
    if (animation_) animation_->setDraggableView(nullptr);
    strongSlotForSwipeToViewController_.reset();
}

void DZSlot::setUpAnimationController() {
    if (swipeToViewControllerAnimationControllerInitialized_) return;
    auto configurations = configurationsOf(ad_);
    animation_ = std::make_shared<DZViewControllerFullScreenSwipeAnimation>();
    animation_->setTransitionDuration(
        configurations ? configurations->swipeAnimationTransitionDuration()
                       : DZSwipeToViewControllerConfigurations::kDefaultTransitionDuration);
    animationController_ = std::make_shared<DZPercentDrivenUserInteractionAnimationController>(animation_);
    swipeGestureRecognizer_ = std::make_shared<PanGestureRecognizer>();
    swipeToViewControllerAnimationControllerInitialized_ = true;
}

void DZSlot::handlePanGesture(PanGestureRecognizer& recognizer) {
    auto hold = shared_from_this();
    auto held = std::static_pointer_cast<PanGestureRecognizer>(recognizer.shared_from_this());
    switch (recognizer.state()) {
        case GestureRecognizerState::Began: {
            const platform::Point location = recognizer.locationInView(nullptr);
            // The pan is recognised some way from where the finger went down, possibly already
            // past the ad: the place it started is the one that must lie in a rectangle.
            const platform::Point moved = recognizer.translationInView(nullptr);
            if (!shouldProcessTouch({location.x - moved.x, location.y - moved.y}, nullptr)) {
                // Cancels the pan; its cancellation enables the recognizer again.
                recognizer.setEnabled(false);
                return;
            }
            animation_->setStartY(location.y);
            auto configurations = configurationsOf(ad_);
            auto delegate = slotDelegate();
            auto root = delegate ? delegate->rootViewController() : nullptr;
            if (!root || !configurations->swipeableInAppStoreProductID() ||
                strongSlotForSwipeToViewController_)
                return;
            strongSlotForSwipeToViewController_ = hold;
            prepareSwipeAnimation(true);
            loadStoreProductViewController();
            auto page = swipeableStoreProductViewController_;
            auto proxy = DZOverlayProxy::create(page);
            if (proxy) proxy->setHost(weak_from_this());
            swipeTransitionRunning_ = true;
            if (!proxy || !proxy->presentFromViewController(root, {})) {
                // Nothing came up (the root presents something else, or is off screen).
                swipeTransitionRunning_ = false;
                swipeableStoreProductViewController_.reset();
                animation_->setDraggableView(nullptr);
                strongSlotForSwipeToViewController_.reset();
                return;
            }
            animationController_->handlePanGesture(recognizer);
            return;
        }
        case GestureRecognizerState::Cancelled:
            // A pan cancelled under a running presentation takes the presentation with it.
            if (swipeTransitionRunning_) animationController_->handlePanGesture(recognizer);
            recognizer.setEnabled(true);
            return;
        default:
            // Moves of a pan that presented nothing have nothing to drive.
            if (swipeTransitionRunning_) animationController_->handlePanGesture(recognizer);
            return;
    }
}

bool DZSlot::shouldProcessTouch(platform::Point point, const platform::ui::View* view) {
    auto configurations = configurationsOf(ad_);
    if (!configurations || !configurations->swipeableRectangles()) return false;
    auto delegate = slotDelegate();
    auto swipeView = delegate ? delegate->swipeToViewControllerView() : nullptr;
    platform::Point local{};
    if (swipeView) {
        local = view ? view->convertPoint(point, swipeView.get()) : swipeView->convertPointFromWindow(point);
    }
    for (const auto& rectangle : *configurations->swipeableRectangles()) {
        if (rectangle.contains(local)) return true;
    }
    return false;
}

void DZSlot::loadStoreProductViewController() {
    auto configurations = configurationsOf(ad_);
    if (!configurations || !configurations->swipeableInAppStoreProductID()) return;
    auto page = std::make_shared<platform::store::StoreProductViewController>();
    page->loadProductWithParameters({{platform::store::StoreProductViewController::kItemIdentifierParameter,
                                      std::to_string(*configurations->swipeableInAppStoreProductID())}},
                                    {});
    swipeableStoreProductViewController_ = page;
    page->setDelegate(std::weak_ptr<platform::store::StoreProductViewControllerDelegate>(shared_from_this()));
    page->setTransitioningDelegate(animationController_);
    page->setModalPresentationStyle(platform::ui::ModalPresentationStyle::FullScreen);
}

void DZSlot::postSwipeEvent(const char* name) {
    auto configurations = configurationsOf(ad_);
    if (!adView_ || !configurations) return;
    adView_->postJSNotification(name, configurations->swipeEventCreativeMetadata());
}

void DZSlot::productViewControllerDidFinish(platform::store::StoreProductViewController& controller) {
    auto hold = shared_from_this();
    // Once the page is gone the animation lets go of the ad's picture again.
    auto forgetPicture = [weak = std::weak_ptr(animation_)] {
        if (auto animation = weak.lock()) animation->setDraggableView(nullptr);
    };
    if (auto proxy = DZOverlayProxy::overlayProxyForViewController(&controller)) {
        proxy->relinquishScreenWithCompletion(forgetPicture);
    } else if (auto* presenting = controller.presentingViewController()) {
        presenting->dismissViewController(true, forgetPicture);
    }
    // A second Done while the page leaves closes nothing more and tells nothing more.
    if (&controller != swipeableStoreProductViewController_.get()) return;
    postSwipeEvent("onSwipeToViewControllerDismissed");
    swipeableStoreProductViewController_.reset();
    strongSlotForSwipeToViewController_.reset();
}

void DZSlot::animationControllerDidFinishAnimationTransition(
    DZPercentDrivenUserInteractionAnimationController&) {
    swipeTransitionRunning_ = false;
    postSwipeEvent("onSwipeableViewControllerPresentationFinished");
}

void DZSlot::animationControllerDidCancelAnimationTransition(
    DZPercentDrivenUserInteractionAnimationController&) {
    auto hold = shared_from_this();
    swipeTransitionRunning_ = false;
    postSwipeEvent("onSwipeableViewControllerPresentationCanceled");
    // The cancelled presentation is undone: its page and the ad's picture are not needed.
    swipeableStoreProductViewController_.reset();
    if (animation_) animation_->setDraggableView(nullptr);
    strongSlotForSwipeToViewController_.reset();
}

void DZSlot::endSwipeToViewController() {
    auto hold = shared_from_this();
    unscheduleSwipeToViewControllerChecker();
    disableSwipeToViewController();
    cancelRunningSwipeTransition();
    if (auto page = std::move(swipeableStoreProductViewController_)) {
        swipeableStoreProductViewController_.reset();
        // A page still up closes as any store sheet does, and the new ad's creative hears nothing.
        page->setDelegate(DZSKStoreProductViewControllerDelegate::sharedInstance());
    }
    if (animation_) animation_->setDraggableView(nullptr);
    strongSlotForSwipeToViewController_.reset();
}
