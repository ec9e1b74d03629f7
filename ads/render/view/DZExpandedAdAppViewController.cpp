#include "ads/render/view/DZExpandedAdAppViewController.h"

#include <algorithm>

#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZMRAIDResizeOverlayPresenter.h"
#include "platform/runloop/RunLoop.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewSnapshot.h"
#include "platform/ui/Window.h"
#include "platform/web/WebEngine.h"

namespace {

// After the close, the banner's picture waits for the page to draw its default state, for half a
// second at most.
constexpr double kRedrawWaitSeconds = 0.5;

float screenScale() {
    return platform::ui::Screen::mainScale() > 0 ? platform::ui::Screen::mainScale() : 1.0f;
}

// A picture of the view as it is now, in its place.
std::shared_ptr<platform::ui::ImageView> pictureOf(platform::ui::View& view) {
    auto picture = std::make_shared<platform::ui::ImageView>();
    if (auto image = platform::ui::snapshotView(view, screenScale()))
        picture->setImage(std::make_shared<const platform::Image>(std::move(*image)));
    picture->setFrame(view.frame());
    return picture;
}

}  // namespace

std::shared_ptr<DZExpandedAdAppViewController> DZExpandedAdAppViewController::create(
    const std::shared_ptr<DZAdView>& adView) {
    if (!adView) return nullptr;
    return std::make_shared<DZExpandedAdAppViewController>(adView);
}

DZExpandedAdAppViewController::~DZExpandedAdAppViewController() {
    if (renderedBanner_) renderedBanner_->removeFromSuperview();
}

void DZExpandedAdAppViewController::configureView() {
    auto ad = adView();
    ad->saveState();
    ad->setViewController(sharedSelf());
    auto superview = ad->superview();
    // Taken at the screen's own scale: drawing the page at another one would have the engine paint
    // it anew at that scale, and the frames around the expand show the page mid-way between the two.
    renderedBanner_ = pictureOf(*ad);
    if (superview) superview->addSubview(renderedBanner_);
    ad->removeFromSuperview();
    ad->reset();
    DZAdAppViewController::configureView();
}

void DZExpandedAdAppViewController::finishAppearing() {
    DZAdAppViewController::finishAppearing();
    // A resized ad is the banner itself grown in place: once it shows, the picture of the banner
    // it came from would stay beside it wherever the two do not overlap.
    if (renderedBanner_ && std::dynamic_pointer_cast<DZMRAIDResizeOverlayPresenter>(presenter()))
        renderedBanner_->setHidden(true);
}

void DZExpandedAdAppViewController::relinquishScreenWithCompletion(std::function<void()> completion) {
    auto ad = adView();
    if (isOnScreen() && ad && ad->viewController().get() == this) {
        // The screen slides away with the page as it was on it, while the page itself goes back
        // to its banner at once.
        if (isViewLoaded() && ad->superview() == view()) {
            const auto& below = view()->subviews();
            const auto at = std::find(below.begin(), below.end(), ad);
            view()->insertSubviewAt(pictureOf(*ad), static_cast<std::size_t>(at - below.begin()));
        }
        ad->restoreState();
        // There the page is still laid out for the full screen, and hears it is a banner again
        // only once the screen has gone: the banner's picture shows the banner whole until then.
        if (renderedBanner_ && renderedBanner_->superview()) {
            renderedBanner_->setHidden(false);
            renderedBanner_->superview()->bringSubviewToFront(renderedBanner_);
        }
    }
    DZAdAppViewController::relinquishScreenWithCompletion(std::move(completion));
}

void DZExpandedAdAppViewController::finishDismissal() {
    auto self = sharedSelf();
    DZAdAppViewController::finishDismissal();
    // The page hears "collapsed" and "default" on the next turn; the banner's picture goes once the
    // page has drawn anew after them (or has not within the time allowed). This controller may go
    // before that: the picture and its wait are on their own.
    std::shared_ptr<platform::ui::ImageView> picture = std::move(renderedBanner_);
    renderedBanner_.reset();
    if (!picture) return;
    auto ad = adView();
    platform::ui::Window* window = picture->window();
    platform::RunLoop* loop = window ? window->runLoop() : nullptr;
    if (!ad || !ad->engine() || !loop) {
        picture->removeFromSuperview();
        return;
    }
    std::weak_ptr<DZAdView> weakAd = ad;
    std::weak_ptr<platform::ui::ImageView> weakPicture = picture;
    // Held by the cap's timer, which the picture owns: the listening ends with the picture, or
    // when the page has drawn, or at the cap, whichever comes first.
    auto listening = std::make_shared<platform::web::WebEngine::FrameListening>();
    *listening = ad->engine()->listenToFrames(
        [weakAd, weakPicture, weakListening = std::weak_ptr(listening), frame = ad->engine()->frameNumber()] {
            auto shown = weakAd.lock();
            if (shown && shown->engine() && !shown->engine()->drawnSince(frame)) return;
            if (auto held = weakListening.lock()) held->reset();
            if (auto held = weakPicture.lock()) held->removeFromSuperview();
        });
    loop->scheduleOnce(kRedrawWaitSeconds, weakPicture, [weakPicture, listening](platform::Timer&) {
        listening->reset();
        if (auto held = weakPicture.lock()) held->removeFromSuperview();
    });
}
