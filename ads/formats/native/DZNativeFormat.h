#pragma once
// The slot's format for native responses (type 3): on a native ad loader's slot the loader takes
// the response (the slot renders nothing; the loader reports the outcome); any other owner keeps
// the slot's own path. Registered once, with the other formats.
#include <memory>

#include "ads/core/slot/DZSlotFormat.h"

class DZNativeFormat : public DZSlotFormat {
  public:
    static void registerFormat();
    void processResponse(DZSlot& slot, const std::shared_ptr<DZAd>& ad) override;
};
