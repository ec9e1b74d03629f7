#pragma once
// The probe's commands that need the real web engine: one request through the SDK core
// controller, and an ad view showing a page with the base navigation policy, or a banner slot's
// ad view with its click detection.
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace platform {
class ManualRunLoop;
}

// {"answer", "requestID", "parameters", "ad"} of the first of `requests` requests made at once, and
// "arrivals": the request IDs in the order their answers came.
nlohmann::json runCoreRequest(const std::string& unit, double timeoutSeconds, int requests,
                              platform::ManualRunLoop& loop);
// What the adview command shows and does.
struct AdViewProbeOptions {
    std::string url;
    double seconds = 5;
    std::string snapshotPath;  // "" for none
    // In a banner slot's ad view, with the slot's banner delegate.
    bool banner = false;
    // A tap at (x, y) in the ad view, `after` seconds after the page loaded (banner only).
    struct Tap {
        double x = 0;
        double y = 0;
        double after = 1;
    };
    std::optional<Tap> tap;
};

// {"loaded", "navigations", "unhandled", "logged", "opened", "rendered", "snapshot"}, and with
// a banner {"touched", "clicks", "state"}; the page is written to snapshotPath as a PNG unless
// that is "". The command lasts `seconds`, and at least a second past a tap.
nlohmann::json runAdView(const AdViewProbeOptions& options, platform::ManualRunLoop& loop);
