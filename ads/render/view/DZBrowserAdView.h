#pragma once
// The in-app browser's ad view: its controller can only be a browser controller.
#include <memory>

#include "ads/render/view/DZAdView.h"

class DZBrowserViewController;

class DZBrowserAdView : public DZAdView {
  public:
    static std::shared_ptr<DZBrowserAdView> create(platform::Rect frame);
    const char* className() const override { return "DZBrowserAdView"; }

    // Any other controller is ignored.
    void setViewController(std::weak_ptr<platform::ui::ViewController> controller) override;
    std::shared_ptr<DZBrowserViewController> browserViewController() const;

    explicit DZBrowserAdView(platform::Rect frame) : DZAdView(frame) {}  // use create()
};
