#pragma once
// What a slot tells and asks of those it serves: its owner (DZSlotDelegate), and whoever follows
// its loads, screens, responses and view facts. Each is held weakly by the slot. Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdSize.h"
#include "ads/foundation/DZRequestError.h"
#include "platform/foundation/Error.h"
#include "platform/geometry/Geometry.h"

class DZAd;
class DZInAppPurchaseDelegate;
class DZRequest;
class DZSlot;
namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

// The owner of a slot. Every call is optional: an answer of std::nullopt (or nothing) stands for
// an owner that does not implement it.
class DZSlotDelegate {
  public:
    virtual ~DZSlotDelegate() = default;
    virtual std::optional<bool> slotShouldLoadRequest(DZSlot&, const DZRequest&) { return std::nullopt; }
    virtual std::optional<bool> slotShouldReloadCurrentRequest(DZSlot&) { return std::nullopt; }
    virtual std::optional<bool> slotShouldPreemptInProgressRequest(DZSlot&) { return std::nullopt; }
    virtual std::optional<platform::Rect> frame() { return std::nullopt; }
    virtual std::optional<platform::Rect> frameInInterface() { return std::nullopt; }
    virtual std::optional<platform::Rect> bounds() { return std::nullopt; }
    // The ad's position for "ad_pos".
    virtual std::optional<nlohmann::json> coordinatesOfContentInScreen() { return std::nullopt; }
    // Takes the purchases the owner's ads offer.
    virtual std::shared_ptr<DZInAppPurchaseDelegate> inAppPurchaseDelegate() { return nullptr; }
    virtual std::shared_ptr<platform::ui::ViewController> rootViewController() { return nullptr; }
    // The view a swipe that pulls a page out of the ad starts in (the owner's public view); the
    // swipe's rectangles are in its coordinates. Null: no swipe.
    virtual std::shared_ptr<platform::ui::View> swipeToViewControllerView() { return nullptr; }
    // A ready ad view to show; null drops the current one.
    virtual void slotDidReceiveAdView(DZSlot&, const std::shared_ptr<platform::ui::View>&) {}
    virtual void slotContentSizeDidChange(DZSlot&, platform::Size) {}
    virtual void setAdSizeAndReload(DZAdSize, bool) {}
    virtual std::optional<std::vector<DZAdSize>> validAdSizes() { return std::nullopt; }
    virtual void slotWillResizeToAdSize(DZSlot&, DZAdSize) {}
    virtual void slotDidReceiveAppEvent(DZSlot&, const std::string& name,
                                        const std::optional<std::string>& info) {}
    virtual void slotWillLoadAdWithRequest(DZSlot&, const DZRequest&) {}
    virtual void slotDidReceiveAdClick(DZSlot&) {}
    // 1 for a banner view, 2 for an interstitial, 0 for any other owner.
    virtual int ownerAdType() { return 0; }

    // --- Response handling ---
    // A custom-rendered ad for the owner to draw: true when it has taken it (it then reports the
    // impression, clicks and the end of its rendering through the slot). On false it may say why.
    virtual std::optional<bool> slotNotifyPublisherToRenderCustomRenderingAd(DZSlot&,
                                                                             const std::shared_ptr<DZAd>&,
                                                                             platform::ErrorRef* error) {
        return std::nullopt;
    }
};

class DZSlotAdLoadDelegate {
  public:
    virtual ~DZSlotAdLoadDelegate() = default;
    virtual void slotFinishedLoadingAdContent(DZSlot&) = 0;
    virtual void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) = 0;
};

class DZSlotAdEventDelegate {
  public:
    virtual ~DZSlotAdEventDelegate() = default;
    virtual void slotWillPresentScreen(DZSlot&) {}
    virtual void slotWillDismissScreen(DZSlot&) {}
    virtual void slotDidDismissScreen(DZSlot&) {}
    virtual void slotWillLeaveApplication(DZSlot&) {}
};

class DZSlotAdResponseDelegate {
  public:
    virtual ~DZSlotAdResponseDelegate() = default;
    virtual bool slotShouldProcessAdResponse(DZSlot&, const std::shared_ptr<DZAd>&,
                                             platform::ErrorRef* error) = 0;
    // A mediated response: the owner that takes it makes itself the ad's mediation delegate.
    virtual bool slotShouldProcessMediatedAdResponse(DZSlot&, const std::shared_ptr<DZAd>&,
                                                     platform::ErrorRef* error) = 0;
};

class DZSlotAdKeyDelegate {
  public:
    virtual ~DZSlotAdKeyDelegate() = default;
    virtual void cacheViewHierarchyInformationForSlot(DZSlot&) = 0;
    virtual std::optional<nlohmann::json> viewHierarchyInformationForSlot(DZSlot&) = 0;
};
