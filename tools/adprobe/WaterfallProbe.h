#pragma once
// The probe's waterfall command: a public banner or interstitial loading a mediation unit in a shown
// window, the delegate calls it heard, the network that delivered and a picture of the window.
#include <nlohmann/json.hpp>
#include <string>

namespace platform {
class ManualRunLoop;
}

// {"events": [delegate calls, in order], "error": {"code", "message"} | null, "adNetworkClassName":
// the delivering adapter's class as the load ended | null, "capture": null | {"file", "error"}}.
nlohmann::json runWaterfall(const std::string& unit, bool interstitialAd, double timeoutSeconds,
                            const std::string& capturePath, platform::ManualRunLoop& loop);
