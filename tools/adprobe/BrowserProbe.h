#pragma once
// The probe's browser command: the in-app browser on a page in a 320 x 480 window, captured,
// then closed with its Done button.
#include <nlohmann/json.hpp>
#include <string>

namespace platform {
class ManualRunLoop;
}

// {"shown", "loading", "url", "capture": null | {"file", "error"}, "closedByDone"}.
nlohmann::json runBrowser(const std::string& url, const std::string& referrer, double seconds,
                          const std::string& capturePath, platform::ManualRunLoop& loop);
