#pragma once
// "appEvent": the creative's named event (with optional info) for the slot's owner.
#include <memory>

#include "ads/render/bridge/DZAMSGHandler.h"

class DZSlot;

class DZAppEventAMSGHandler : public DZAMSGHandler {
  public:
    explicit DZAppEventAMSGHandler(std::weak_ptr<DZSlot> slot = {}) : slot_(std::move(slot)) {}

    const ActionTable& actionBlockDictionary() const override;
    std::shared_ptr<DZSlot> slot() const { return slot_.lock(); }

    void didReceiveAppEventNotification(const DZAMSGArguments& arguments);

  private:
    std::weak_ptr<DZSlot> slot_;
};
