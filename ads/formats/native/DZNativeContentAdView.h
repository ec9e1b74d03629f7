#pragma once
// The container an app lays a native content ad out in: it names which of the app's views shows
// which asset; the shared container does the rest. Main thread only.
#include <memory>

#include "ads/formats/native/DZNativeAdView.h"

class DZNativeContentAd;

class DZNativeContentAdView : public DZNativeAdView {
  public:
    static constexpr const char* kHeadlineAssetName = "1001";
    static constexpr const char* kBodyAssetName = "1002";
    static constexpr const char* kCallToActionAssetName = "1003";
    static constexpr const char* kAdvertiserAssetName = "1004";
    static constexpr const char* kImageAssetName = "1005";
    static constexpr const char* kLogoAssetName = "1006";
    static constexpr const char* kAttributionIconAssetName = "1007";
    static constexpr const char* kAttributionTextAssetName = "1008";
    static std::shared_ptr<DZNativeContentAdView> create(platform::Rect frame);
    explicit DZNativeContentAdView(platform::Rect frame) : DZNativeAdView(frame) {}  // use create()
    const char* className() const override { return "DZNativeContentAdView"; }

    void setNativeContentAd(const std::shared_ptr<DZNativeContentAd>& ad);
    std::shared_ptr<DZNativeContentAd> nativeContentAd() const;

    std::shared_ptr<platform::ui::View> headlineView() const { return assetView(kHeadlineAssetName); }
    void setHeadlineView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetView(kHeadlineAssetName, view);
    }
    std::shared_ptr<platform::ui::View> bodyView() const { return assetView(kBodyAssetName); }
    void setBodyView(const std::shared_ptr<platform::ui::View>& view) { setAssetView(kBodyAssetName, view); }
    std::shared_ptr<platform::ui::View> callToActionView() const { return assetView(kCallToActionAssetName); }
    void setCallToActionView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetView(kCallToActionAssetName, view);
    }
    std::shared_ptr<platform::ui::View> advertiserView() const { return assetView(kAdvertiserAssetName); }
    void setAdvertiserView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetView(kAdvertiserAssetName, view);
    }
    std::shared_ptr<platform::ui::View> imageView() const { return assetView(kImageAssetName); }
    void setImageView(const std::shared_ptr<platform::ui::View>& view) {
        setAssetView(kImageAssetName, view);
    }
    std::shared_ptr<platform::ui::View> logoView() const { return assetView(kLogoAssetName); }
    void setLogoView(const std::shared_ptr<platform::ui::View>& view) { setAssetView(kLogoAssetName, view); }
};
