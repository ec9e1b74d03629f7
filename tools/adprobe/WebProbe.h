#pragma once
// The probe's commands that need the real web engine: one request through the SDK core
// controller, and an ad view showing a page with the base navigation policy.
#include <nlohmann/json.hpp>
#include <string>

namespace platform {
class ManualRunLoop;
}

// {"answer", "requestID", "parameters", "ad"}
nlohmann::json runCoreRequest(const std::string& unit, double timeoutSeconds, platform::ManualRunLoop& loop);
// {"loaded", "navigations", "unhandled", "logged", "opened"}
nlohmann::json runAdView(const std::string& url, double seconds, platform::ManualRunLoop& loop);
