#include "tools/adprobe/SlotProbe.h"

#include <chrono>
#include <memory>

#include "ads/core/DZAdType.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/public/DZAdFormats.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/ViewController.h"
#include "tools/adprobe/ProbeAd.h"
#include "tools/adprobe/ProbeClock.h"

namespace {

nlohmann::json errorJSON(const platform::ErrorRef& error) {
    if (!error) return nullptr;
    return {{"code", error->code()}, {"message", error->localizedDescription()}};
}

}  // namespace

// How long in-flight pings may hold the probe's end.
constexpr int kPingWaitSeconds = 5;

std::shared_ptr<DZSlot> startProbeSlot(const std::string& unit, const std::shared_ptr<ProbeSlotOwner>& owner,
                                       std::function<void(int, int)> stateChanged) {
    DZAdFormats::registerAll();
    auto slot = DZSlot::create({0, 0, 320, 50});
    if (stateChanged) slot->setStateChangeHandler(std::move(stateChanged));
    slot->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
    slot->setAdUnitID(unit);
    slot->setSlotDelegate(owner);
    slot->setAdLoadDelegate(owner);
    slot->loadRequest(nullptr);
    return slot;
}

nlohmann::json runSlot(const std::string& unit, double timeoutSeconds, platform::ManualRunLoop& loop) {
    auto owner = std::make_shared<ProbeSlotOwner>();
    // A new slot is idle until it loads.
    nlohmann::json states = nlohmann::json::array({kDZSlotStateIdle});
    auto slot = startProbeSlot(unit, owner, [&states](int, int to) { states.push_back(to); });

    // The load is over when the ad shows (6) or the load failed (1, 7), or the slot was invalidated.
    const auto settled = [&] {
        const int state = slot->state();
        return state == 1 || state == 6 || state == 7 || state == 8;
    };
    turnUntil(loop, settled, timeoutSeconds);
    // The probe's process ends right after: impressions get a bounded moment to reach the server.
    const auto pingsStart = std::chrono::steady_clock::now();
    while (dz_pingsInFlight() > 0 &&
           std::chrono::steady_clock::now() - pingsStart < std::chrono::seconds(kPingWaitSeconds)) {
        platform::MainContextPump::waitUntil([] { return dz_pingsInFlight() == 0; }, 0.005);
        loop.runUntilIdle();
    }
    nlohmann::json result = {{"states", states},
                             {"state", slot->state()},
                             {"error", errorJSON(owner->error ? owner->error : slot->fetchError())},
                             {"fetched", slot->fetchedAd() ? probeAdJSON(*slot->fetchedAd()) : nullptr},
                             {"impressions", slot->impressionPingCount()}};
    slot->setStateChangeHandler(nullptr);
    slot->cancelPendingAndFutureActions();
    return result;
}
