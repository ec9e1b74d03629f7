#pragma once
// The probe's native command: a native ad loader in a 320 x 480 window; an app-install or content
// ad shown in its container with one view per asset, a template ad read by key; one asset tapped
// (or clicked with a custom handler) once the impression counted.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace platform {
class ManualRunLoop;
}

struct NativeProbeOptions {
    std::string unit;
    std::vector<std::string> types;
    std::vector<std::string> templateIDs;
    std::string tap;  // "" for none
    std::string capturePath;
    double timeout = 30;
};

// {"class", "headline", "assets", "impression", "tapped", "customClick", "events", "opened",
// "capture": null | {"file", "error"}, "error": null | {"code", "message"}}
nlohmann::json runNative(const NativeProbeOptions& options, platform::ManualRunLoop& loop);
