#pragma once
// The platform's own banner. This platform has no ad network of its own, so the banner never
// fills: every load fails on the next turn of the main loop, and the glue takes its failure path
// (an ad-component banner in its place when the mode allows one).
#include <memory>
#include <string>

#include "services/DiDazBanner.h"

class PlatformBanner : public DiDazBanner, public std::enable_shared_from_this<PlatformBanner> {
  public:
    static constexpr const char* kNoFillDescription = "The platform has no banner to show (no inventory).";

    static std::shared_ptr<PlatformBanner> create();
    std::shared_ptr<platform::ui::View> view() const override { return view_; }
    void load(const std::string& adUnitId, const std::shared_ptr<platform::ui::ViewController>& owner,
              std::weak_ptr<DiDazBannerListener> listener) override;
    void dispose() override { listener_.reset(); }

  private:
    PlatformBanner();
    std::shared_ptr<platform::ui::View> view_;
    std::weak_ptr<DiDazBannerListener> listener_;
};
