#pragma once
// The probe's banner command: a public banner in a shown window for some seconds of real time,
// loading and refreshing as an app's would, its ad measured once it has made its impression.
#include <nlohmann/json.hpp>
#include <string>

namespace platform {
class ManualRunLoop;
}

// {"received": ads received, "failed": the error code of every failed load, "zdUnitsSent":
// measurement units handed to the core page, "visibility": every visibility the page answered},
// and "snapshot" as the adview command's when snapshotPath is not "". With customRendered the
// banner is an ad-manager one whose app takes every custom-rendered ad, records its impression
// and finishes drawing it at once: "customRendered" counts the ads taken.
nlohmann::json runBanner(const std::string& unit, double seconds, const std::string& snapshotPath,
                         platform::ManualRunLoop& loop, bool customRendered = false);
