#pragma once
// The probe's slot command: one banner slot loading a default request through the SDK core page.
#include <nlohmann/json.hpp>
#include <string>

namespace platform {
class ManualRunLoop;
}

// {"states": the first state and every state entered, "state", "error": {"code", "message"} |
// null, "fetched": the fetched ad | null}.
nlohmann::json runSlot(const std::string& unit, double timeoutSeconds, platform::ManualRunLoop& loop);
