#pragma once
// The probe's commands that need the real web engine: one request through the SDK core
// controller, and an ad view showing a page with the base navigation policy.
#include <nlohmann/json.hpp>
#include <string>

namespace platform {
class ManualRunLoop;
}

// {"answer", "requestID", "parameters", "ad"} of the first of `requests` requests made at once, and
// "arrivals": the request IDs in the order their answers came.
nlohmann::json runCoreRequest(const std::string& unit, double timeoutSeconds, int requests,
                              platform::ManualRunLoop& loop);
// {"loaded", "navigations", "unhandled", "logged", "opened", "rendered", "snapshot"}; the page
// is written to snapshotPath as a PNG unless that is "".
nlohmann::json runAdView(const std::string& url, double seconds, const std::string& snapshotPath,
                         platform::ManualRunLoop& loop);
