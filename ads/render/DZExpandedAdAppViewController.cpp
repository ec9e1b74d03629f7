#include "ads/render/DZExpandedAdAppViewController.h"

#include "ads/render/DZAdView.h"
#include "platform/ui/ImageView.h"
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
    if (auto picture = platform::ui::snapshotView(*ad, 1)) {
        renderedBanner_->setImage(std::make_shared<const platform::Image>(std::move(*picture)));
    }
    renderedBanner_->setFrame(ad->frame());
    if (superview) superview->addSubview(renderedBanner_);
    ad->removeFromSuperview();
    ad->reset();
    DZAdAppViewController::configureView();
}

void DZExpandedAdAppViewController::relinquishScreenWithCompletion(std::function<void()> completion) {
    auto ad = adView();
    if (isOnScreen() && ad && ad->viewController().get() == this) {
        if (renderedBanner_) renderedBanner_->removeFromSuperview();
        ad->restoreState();
    }
    DZAdAppViewController::relinquishScreenWithCompletion(std::move(completion));
}
