#pragma once
// One kind of response, as one slot serves it. The slot makes its format for a response type from
// the registry the first time it is handed such a response and keeps it while it lives, so a
// format that serves through an adapter of its own (mediation) can be asked about it, cancelled
// with the slot's load and told of a change of ad type. Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ads/core/DZAdType.h"

class DZAd;
class DZSlot;
namespace platform::ui {
class ViewController;
}  // namespace platform::ui

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
    // The slot's load is cancelled: whatever this format still has under way stops.
    virtual void cancel() {}
    // True when the format's ad took the new type itself.
    virtual bool changeAdTypeTo(const DZAdType&) { return false; }
    // The adapter that delivered the ad this format shows for another network, if any.
    virtual std::optional<std::string> adNetworkClassName() const { return std::nullopt; }
    // Shows the format's full-screen ad, when it shows one through an adapter of its own.
    virtual void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>&) {}

  private:
    Process process_;
};
