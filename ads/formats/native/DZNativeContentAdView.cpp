#include "ads/formats/native/DZNativeContentAdView.h"

#include "ads/formats/native/DZNativeContentAd.h"

std::shared_ptr<DZNativeContentAdView> DZNativeContentAdView::create(platform::Rect frame) {
    auto view = std::make_shared<DZNativeContentAdView>(frame);
    view->commonInit(kAttributionIconAssetName, kAttributionTextAssetName);
    return view;
}

void DZNativeContentAdView::setNativeContentAd(const std::shared_ptr<DZNativeContentAd>& ad) {
    setAd(ad);
}

std::shared_ptr<DZNativeContentAd> DZNativeContentAdView::nativeContentAd() const {
    return std::dynamic_pointer_cast<DZNativeContentAd>(ad());
}
