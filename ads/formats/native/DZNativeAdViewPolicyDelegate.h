#pragma once
// What a native ad's view tells the ad, and what it reads of it: the attribution badge it shows
// and the overlay that relays the ad's second page.
#include <memory>

class DZNativeAdAttribution;
class DZOverlayView;
namespace platform::ui {
class View;
}

class DZNativeAdViewPolicyDelegate {
  public:
    virtual ~DZNativeAdViewPolicyDelegate() = default;
    // The container is now tracked for the ad's impression (told on each check until it counts).
    virtual void nativeAdViewPolicyDidStartTrackingView(platform::ui::View& container) = 0;
};

class DZNativeAdSourceAttributing {
  public:
    virtual ~DZNativeAdSourceAttributing() = default;
    virtual std::shared_ptr<DZNativeAdAttribution> attribution() const = 0;
};

class DZOverlayViewSource {
  public:
    virtual ~DZOverlayViewSource() = default;
    // Null when the ad has none (mediated ads).
    virtual std::shared_ptr<DZOverlayView> overlayView() const = 0;
};
