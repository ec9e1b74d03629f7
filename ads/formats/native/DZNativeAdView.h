#pragma once
// What both native ad containers share: the app lays its own views out inside, names which shows
// which asset, and gives the ad; the view policy does the rest (badge, overlay, taps,
// impression). The asset views are held weakly. Main thread only.
#include <memory>
#include <string>

#include "platform/ui/View.h"

class DZNativeAd;
class DZNativeAdViewPolicy;

class DZNativeAdView : public platform::ui::View {
  public:
    ~DZNativeAdView() override;
    const std::shared_ptr<DZNativeAdViewPolicy>& nativeAdViewPolicy() const { return policy_; }

    void layoutSubviews() override;

  protected:
    explicit DZNativeAdView(platform::Rect frame) : View(frame) {}
    // After make_shared: makes the policy with the container's two badge asset names.
    void commonInit(const std::string& attributionIconAssetName, const std::string& attributionTextAssetName);

    void setAd(const std::shared_ptr<DZNativeAd>& ad);
    std::shared_ptr<DZNativeAd> ad() const;
    void setAssetView(const std::string& name, const std::shared_ptr<platform::ui::View>& view);
    std::shared_ptr<platform::ui::View> assetView(const std::string& name) const;

    void didMoveToWindow() override;

  private:
    std::shared_ptr<DZNativeAdViewPolicy> policy_;
};
