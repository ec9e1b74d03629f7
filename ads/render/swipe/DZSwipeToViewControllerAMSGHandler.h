#pragma once
// "enableSwipeToViewController" ("swipe_direction": "top_to_bottom" or "bottom_to_top", any other
// value none; "ad_draggable": only "1" lets the ad's picture travel with the page) and
// "disableSwipeToViewController": the creative's say over its slot's swipe. Messages for a slot
// whose ad has no swipe configurations change nothing. The slot is held weakly.
#include <memory>

#include "ads/render/bridge/DZAMSGHandler.h"

class DZSlot;

class DZSwipeToViewControllerAMSGHandler : public DZAMSGHandler {
  public:
    explicit DZSwipeToViewControllerAMSGHandler(std::weak_ptr<DZSlot> slot = {}) : slot_(std::move(slot)) {}

    const ActionTable& actionBlockDictionary() const override;
    std::shared_ptr<DZSlot> slot() const { return slot_.lock(); }
    void setSlot(std::weak_ptr<DZSlot> slot) { slot_ = std::move(slot); }

    void enableSwipeToViewController(const DZAMSGArguments& arguments);
    void disableSwipeToViewController(const DZAMSGArguments& arguments);

  private:
    std::weak_ptr<DZSlot> slot_;
};
