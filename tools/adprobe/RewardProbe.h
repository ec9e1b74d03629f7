#pragma once
// The probe's reward command: the shared reward-based video ad loading a unit in a shown window
// (the test reward network registered), presented when ready, its screen drawn as a display would
// draw it, captured, and closed with a tap once the reward has come.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace platform {
class ManualRunLoop;
}

// {"events": [delegate calls, in order], "reward": {"type", "amount"} | null, "error": {"code",
// "message"} | null, "capture": null | {"file", "error"}}.
nlohmann::json runReward(const std::string& unit, const std::optional<std::string>& userID,
                         double timeoutSeconds, const std::string& capturePath,
                         platform::ManualRunLoop& loop);
