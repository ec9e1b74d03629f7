#include "ads/render/view/DZExpandedAdAppViewController.h"

#include <algorithm>

#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZBannerPicture.h"
#include "ads/render/view/DZMRAIDResizeOverlayPresenter.h"
#include "platform/ui/ImageView.h"

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
    renderedBanner_ = DZBannerPicture::of(*ad);
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
            view()->insertSubviewAt(DZBannerPicture::of(*ad), static_cast<std::size_t>(at - below.begin()));
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
    DZBannerPicture::removeOnceRedrawn(std::move(picture), adView());
}
