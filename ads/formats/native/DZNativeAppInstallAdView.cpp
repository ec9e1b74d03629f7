#include "ads/formats/native/DZNativeAppInstallAdView.h"

#include "ads/formats/native/DZNativeAppInstallAd.h"

std::shared_ptr<DZNativeAppInstallAdView> DZNativeAppInstallAdView::create(platform::Rect frame) {
    auto view = std::make_shared<DZNativeAppInstallAdView>(frame);
    view->commonInit(kAttributionIconAssetName, kAttributionTextAssetName);
    return view;
}

void DZNativeAppInstallAdView::setNativeAppInstallAd(const std::shared_ptr<DZNativeAppInstallAd>& ad) {
    setAd(ad);
}

std::shared_ptr<DZNativeAppInstallAd> DZNativeAppInstallAdView::nativeAppInstallAd() const {
    return std::dynamic_pointer_cast<DZNativeAppInstallAd>(ad());
}
