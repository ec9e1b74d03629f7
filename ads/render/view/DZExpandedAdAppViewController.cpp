#include "ads/render/view/DZExpandedAdAppViewController.h"

#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZMRAIDResizeOverlayPresenter.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewSnapshot.h"

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
    renderedBanner_ = std::make_shared<platform::ui::ImageView>();
    // Taken at the screen's own scale: drawing the page at another one would have the engine paint
    // it anew at that scale, and the frames around the expand show the page mid-way between the two.
    const float scale = platform::ui::Screen::mainScale() > 0 ? platform::ui::Screen::mainScale() : 1.0f;
    if (auto picture = platform::ui::snapshotView(*ad, scale)) {
        renderedBanner_->setImage(std::make_shared<const platform::Image>(std::move(*picture)));
    }
    renderedBanner_->setFrame(ad->frame());
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
        if (renderedBanner_) renderedBanner_->removeFromSuperview();
        ad->restoreState();
    }
    DZAdAppViewController::relinquishScreenWithCompletion(std::move(completion));
}
