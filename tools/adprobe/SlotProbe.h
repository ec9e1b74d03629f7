#pragma once
// The probe's slot command: one banner slot loading a default request through the SDK core page.
#include <functional>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/core/slot/DZSlot.h"
#include "platform/ui/ViewController.h"

namespace platform {
class ManualRunLoop;
}

// The banner view a slot would have: it owns a root view controller and hears the load's end.
struct ProbeSlotOwner : DZSlotDelegate, DZSlotAdLoadDelegate {
    std::shared_ptr<platform::ui::ViewController> root = std::make_shared<platform::ui::ViewController>();
    DZRequestError::Ref error;
    bool finished = false;

    std::shared_ptr<platform::ui::ViewController> rootViewController() override { return root; }
    int ownerAdType() override { return 1; }
    void slotFinishedLoadingAdContent(DZSlot&) override { finished = true; }
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& failed) override { error = failed; }
};

// A 320 x 50 banner slot of the unit, owned by owner, loading a default request; stateChanged
// hears each state it enters.
std::shared_ptr<DZSlot> startProbeSlot(const std::string& unit, const std::shared_ptr<ProbeSlotOwner>& owner,
                                       std::function<void(int, int)> stateChanged = nullptr);

// {"states": the first state and every state entered, "state", "error": {"code", "message"} |
// null, "fetched": the fetched ad | null}.
nlohmann::json runSlot(const std::string& unit, double timeoutSeconds, platform::ManualRunLoop& loop);
