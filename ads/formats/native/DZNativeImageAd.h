#pragma once
// What the app-install and the content ad share: pictures (one single picture, the icon or the
// logo, and the configured images), the attribution badge, the overlay that relays the ad's second
// page, and the reports to a mediated network. `images` keeps the configuration order whatever
// order the downloads end in. Main thread only.
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/formats/native/DZNativeAd.h"
#include "ads/formats/native/DZNativeAdViewPolicyDelegate.h"

class DZNativeAdAttribution;
class DZNativeAdImage;
class DZOverlayView;

class DZNativeImageAd : public DZNativeAd,
                        public DZNativeAdSourceAttributing,
                        public DZOverlayViewSource,
                        public DZNativeAdViewPolicyDelegate {
  public:
    ~DZNativeImageAd() override;

    // The images ready to show, in configuration order.
    std::vector<std::shared_ptr<DZNativeAdImage>> images() const;
    bool disableImageLoading() const { return disableImageLoading_; }

    // DZNativeAdSourceAttributing (null for a mediated ad)
    std::shared_ptr<DZNativeAdAttribution> attribution() const override { return attribution_; }
    void setAttribution(std::shared_ptr<DZNativeAdAttribution> attribution) {
        attribution_ = std::move(attribution);
    }
    // DZOverlayViewSource
    std::shared_ptr<DZOverlayView> overlayView() const override { return overlayView_; }
    // DZNativeAdViewPolicyDelegate
    void nativeAdViewPolicyDidStartTrackingView(platform::ui::View& container) override;

    void setSlot(const std::shared_ptr<DZSlot>& slot) override;
    std::set<std::string> requiredAssets() const override;
    void performClickOnView(platform::ui::View* view, const std::string& assetName,
                            const nlohmann::json& environment) override;
    void recordImpression() override;
    void loadAssets(AssetCompletion completion) override;

  protected:
    DZNativeImageAd(const nlohmann::json& dictionary, const DZAdLoaderOptionsByClass& options);
    DZNativeImageAd(std::shared_ptr<DZMediatedNativeAd> mediated, const DZAdLoaderOptionsByClass& options);

    // The icon or logo, and the name it loads under.
    virtual std::shared_ptr<DZNativeAdImage> singleImage() const = 0;
    virtual const char* singleImageAssetName() const = 0;
    // Reads "images" and "attribution" and makes the overlay (dictionary-built ads).
    void readSharedAssets(const nlohmann::json& dictionary);
    // A mediated ad's images are ready at once.
    void setAvailableImages(std::vector<std::shared_ptr<DZNativeAdImage>> images);

  private:
    bool disableImageLoading_ = false;
    bool shouldRequestMultipleImages_ = false;
    std::vector<std::shared_ptr<DZNativeAdImage>> nativeAdImages_;
    std::vector<bool> imageReady_;  // by index of nativeAdImages_
    std::vector<std::shared_ptr<DZNativeAdImage>> mediatedImages_;
    std::shared_ptr<DZOverlayView> overlayView_;
    std::shared_ptr<DZNativeAdAttribution> attribution_;
};
