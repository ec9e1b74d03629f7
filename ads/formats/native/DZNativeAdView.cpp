#include "ads/formats/native/DZNativeAdView.h"

#include "ads/formats/native/DZNativeAd.h"
#include "ads/formats/native/DZNativeAdViewPolicy.h"

DZNativeAdView::~DZNativeAdView() = default;

void DZNativeAdView::commonInit(const std::string& attributionIconAssetName,
                                const std::string& attributionTextAssetName) {
    policy_ =
        DZNativeAdViewPolicy::create(shared_from_this(), attributionIconAssetName, attributionTextAssetName);
}

void DZNativeAdView::setAd(const std::shared_ptr<DZNativeAd>& ad) {
    if (policy_) policy_->setNativeAd(ad);
}

std::shared_ptr<DZNativeAd> DZNativeAdView::ad() const {
    return policy_ ? policy_->nativeAd() : nullptr;
}

void DZNativeAdView::setAssetView(const std::string& name, const std::shared_ptr<platform::ui::View>& view) {
    if (policy_) policy_->replaceAsset(name, view);
}

std::shared_ptr<platform::ui::View> DZNativeAdView::assetView(const std::string& name) const {
    return policy_ ? policy_->assetView(name) : nullptr;
}

// The toolkit tells no view of a new superview: layout and the move to a window stand for it.
void DZNativeAdView::layoutSubviews() {
    if (auto policy = policy_) policy->adViewDidLayoutSubviews();
    View::layoutSubviews();
}

void DZNativeAdView::didMoveToWindow() {
    View::didMoveToWindow();
    if (auto policy = policy_) policy->adViewDidMoveToWindow();
}
