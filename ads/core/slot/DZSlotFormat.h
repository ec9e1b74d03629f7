#pragma once
// One kind of response, as one slot serves it. The slot makes its format for a response type from
// the registry the first time it is handed such a response and keeps it while it lives, so a
// format that serves through an adapter of its own (mediation) can be asked about it, cancelled
// with the slot's load and told of a change of ad type. Main thread only.
#include <functional>
#include <memory>

#include "ads/core/DZAdType.h"

class DZAd;
class DZSlot;

class DZSlotFormat {
  public:
    using Process = std::function<void(DZSlot&, const std::shared_ptr<DZAd>&)>;

    explicit DZSlotFormat(Process process = {}) : process_(std::move(process)) {}
    virtual ~DZSlotFormat() = default;
    DZSlotFormat(const DZSlotFormat&) = delete;
    DZSlotFormat& operator=(const DZSlotFormat&) = delete;

    // Takes the response: renders it through the slot, or fails the slot's load.
    virtual void processResponse(DZSlot& slot, const std::shared_ptr<DZAd>& ad) {
        if (process_) process_(slot, ad);
    }
    // While an ad of another network is served through this format's own adapter: the slot's
    // measurement and type changes are then the adapter's.
    virtual bool isMediating() const { return false; }
    // The slot's load is cancelled: whatever this format still has under way stops.
    virtual void cancel() {}
    // True when the format's ad took the new type itself.
    virtual bool changeAdTypeTo(const DZAdType&) { return false; }

  private:
    Process process_;
};
