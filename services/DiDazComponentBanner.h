#pragma once
// The ad component's banner behind the banner glue: a 320 x 50 DZBannerView
// whose delegate calls become the glue's listener calls.
#include <memory>
#include <string>

#include "ads/public/DZBannerView.h"
#include "services/DiDazBanner.h"

class DiDazComponentBanner : public DiDazBanner,
                             public DZBannerViewDelegate,
                             public std::enable_shared_from_this<DiDazComponentBanner> {
  public:
    // Null when the ad component cannot make a banner.
    static std::shared_ptr<DiDazComponentBanner> create();
    std::shared_ptr<platform::ui::View> view() const override { return banner_; }
    void load(const std::string& adUnitId, const std::shared_ptr<platform::ui::ViewController>& owner,
              std::weak_ptr<DiDazBannerListener> listener) override;
    void dispose() override;
    const std::shared_ptr<DZBannerView>& bannerView() const { return banner_; }

    void adViewDidReceiveAd(DZBannerView&) override;
    void adViewDidFailToReceiveAd(DZBannerView&, const DZRequestError::Ref& error) override;

  private:
    explicit DiDazComponentBanner(std::shared_ptr<DZBannerView> banner) : banner_(std::move(banner)) {}
    std::shared_ptr<DZBannerView> banner_;
    std::weak_ptr<DiDazBannerListener> listener_;
};
