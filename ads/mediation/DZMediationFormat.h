#pragma once
// The slot's format for mediated responses (a list of other networks to try in turn). Until the
// waterfall over other networks is built it serves none: such a response fails the slot's load
// with code 8, it never mediates, and cancelling has nothing to stop. Main thread only.
#include "ads/core/slot/DZSlotFormat.h"

class DZMediationFormat : public DZSlotFormat {
  public:
    // Puts this format in the registry for mediated responses; once is enough, again is harmless.
    static void registerFormat();

    void processResponse(DZSlot& slot, const std::shared_ptr<DZAd>& ad) override;
};
