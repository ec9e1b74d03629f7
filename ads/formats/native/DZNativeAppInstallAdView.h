#pragma once
// The container an app lays a native app-install ad out in: it names which of the app's views shows
// which asset; the shared container does the rest. Main thread only.
#include <memory>

#include "ads/formats/native/DZNativeAdView.h"

class DZNativeAppInstallAd;

class DZNativeAppInstallAdView : public DZNativeAdView {
  public:
    static constexpr const char* kHeadlineAssetName = "2001";
    static constexpr const char* kCallToActionAssetName = "2002";
    static constexpr const char* kIconAssetName = "2003";
    static constexpr const char* kBodyAssetName = "2004";
    static constexpr const char* kStoreAssetName = "2005";
    static constexpr const char* kPriceAssetName = "2006";
    static constexpr const char* kImageAssetName = "2007";
    static constexpr const char* kStarRatingAssetName = "2008";
    static constexpr const char* kAttributionIconAssetName = "2009";
    static constexpr const char* kAttributionTextAssetName = "2010";
    static std::shared_ptr<DZNativeAppInstallAdView> create(platform::Rect frame);
    explicit DZNativeAppInstallAdView(platform::Rect frame) : DZNativeAdView(frame) {}  // use create()
    const char* className() const override { return "DZNativeAppInstallAdView"; }

    void setNativeAppInstallAd(const std::shared_ptr<DZNativeAppInstallAd>& ad);
    std::shared_ptr<DZNativeAppInstallAd> nativeAppInstallAd() const;

    std::shared_ptr<platform::ui::View> headlineView() const { return assetView(kHeadlineAssetName); }
    void setHeadlineView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetView(kHeadlineAssetName, view);
    }
    std::shared_ptr<platform::ui::View> callToActionView() const { return assetView(kCallToActionAssetName); }
    void setCallToActionView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetView(kCallToActionAssetName, view);
    }
    std::shared_ptr<platform::ui::View> iconView() const { return assetView(kIconAssetName); }
    void setIconView(const std::shared_ptr<platform::ui::View>& view) { setAssetView(kIconAssetName, view); }
    std::shared_ptr<platform::ui::View> bodyView() const { return assetView(kBodyAssetName); }
    void setBodyView(const std::shared_ptr<platform::ui::View>& view) { setAssetView(kBodyAssetName, view); }
    std::shared_ptr<platform::ui::View> storeView() const { return assetView(kStoreAssetName); }
    void setStoreView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetView(kStoreAssetName, view);
    }
    std::shared_ptr<platform::ui::View> priceView() const { return assetView(kPriceAssetName); }
    void setPriceView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetView(kPriceAssetName, view);
    }
    std::shared_ptr<platform::ui::View> imageView() const { return assetView(kImageAssetName); }
    void setImageView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetView(kImageAssetName, view);
    }
    std::shared_ptr<platform::ui::View> starRatingView() const { return assetView(kStarRatingAssetName); }
    void setStarRatingView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetView(kStarRatingAssetName, view);
    }
};
