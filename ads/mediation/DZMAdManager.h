#pragma once
// A slot's mediation manager. Until the waterfall over other networks is built it never mediates:
// the slot always serves our own ads, cancelling has nothing to stop and a change of ad type is
// left to the slot. Main thread only.
#include <memory>

#include "ads/core/DZAdType.h"

class DZSlot;

class DZMAdManager {
  public:
    void setSlot(std::weak_ptr<DZSlot> slot) { slot_ = std::move(slot); }
    std::shared_ptr<DZSlot> slot() const { return slot_.lock(); }
    bool isMediating() const { return false; }
    void cancel() {}
    // True when the mediated ad took the new type itself.
    bool changeAdTypeTo(const DZAdType&) { return false; }

  private:
    std::weak_ptr<DZSlot> slot_;
};
