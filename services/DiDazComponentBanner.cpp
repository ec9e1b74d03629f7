#include "services/DiDazComponentBanner.h"

#include "ads/public/DZPublicTypes.h"

std::shared_ptr<DiDazComponentBanner> DiDazComponentBanner::create() {
    std::shared_ptr<DZBannerView> banner = DZBannerView::create(kDZAdSizeBanner, platform::Point{0, 0});
    if (!banner) return nullptr;
    return std::shared_ptr<DiDazComponentBanner>(new DiDazComponentBanner(std::move(banner)));
}

void DiDazComponentBanner::load(const std::string& adUnitId,
                                const std::shared_ptr<platform::ui::ViewController>& owner,
                                std::weak_ptr<DiDazBannerListener> listener) {
    listener_ = std::move(listener);
    banner_->setAdUnitID(adUnitId);
    banner_->setRootViewController(owner);
    banner_->setDelegate(weak_from_this());
    banner_->loadRequest(DZRequest::request());
}

void DiDazComponentBanner::dispose() {
    listener_.reset();
    banner_->setDelegate({});
}

void DiDazComponentBanner::adViewDidReceiveAd(DZBannerView&) {
    std::shared_ptr<DiDazComponentBanner> self = shared_from_this();
    if (std::shared_ptr<DiDazBannerListener> listener = listener_.lock()) listener->bannerDidReceiveAd(*self);
}

void DiDazComponentBanner::adViewDidFailToReceiveAd(DZBannerView&, const DZRequestError::Ref& error) {
    std::shared_ptr<DiDazComponentBanner> self = shared_from_this();
    if (std::shared_ptr<DiDazBannerListener> listener = listener_.lock())
        listener->bannerDidFailToReceiveAd(
            *self, error ? error->localizedDescription() : std::string("unknown error"));
}
