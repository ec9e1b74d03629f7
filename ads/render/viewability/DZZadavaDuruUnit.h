#pragma once
// What one Zadava Duru sample tells the SDK core page: the unit of the measured view (where the
// ad is, how much of it shows, the window and screen around it, who measures it) as the
// parameters {"units": [unit]} of the page's "ZAZO_updateZadavaDuru", and the call itself. The
// visibility values are the monitor's last sample; the rest is read when the unit is built, on
// the main thread.
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/geometry/Geometry.h"

class DZZadavaDuruMonitor;

class DZZadavaDuruUnit {
  public:
    // What the measuring slot adds to a unit.
    struct Slot {
        uint32_t zadavaDuruID = 0;
        bool MRAIDEnabled = false;
        bool interstitial = false;
        // The ad's measurement set-up as the server sent it; the unit carries it when present.
        std::optional<nlohmann::json> configuration;
    };

    // The last unit of a measurement (unloaded) carries "doneReasonCode" "u".
    static nlohmann::json parameters(const DZZadavaDuruMonitor& monitor, bool unloaded, const Slot& slot);
    // "ZAZO_updateZadavaDuru(<compact JSON>)"; nothing for no parameters or ones JSON cannot write.
    static std::optional<std::string> JSCommandWithParams(const std::optional<nlohmann::json>& parameters);
    // {"top", "bottom", "left", "right"} of the standardised rectangle.
    static nlohmann::json dictionaryForBounds(const platform::Rect& bounds);
    static const char* adFormat(bool interstitial) { return interstitial ? "interstitial_mb" : "banner_mb"; }
};
