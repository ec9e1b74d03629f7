#pragma once
// The system version this platform reports wherever the game or the ad code asks which system
// it runs on. The answers keyed on it (feature tests, keychain accessibility) all take the
// modern path.
#include <string_view>

namespace platform {

inline constexpr std::string_view kSystemVersion = "8.0";

// Compares dotted version texts numerically, component by component ("10.0" > "9.3",
// "4" == "4.0"); a component's leading digits count, anything else in it is ignored.
// Returns -1, 0 or 1.
int compareVersionsNumerically(std::string_view a, std::string_view b);

}  // namespace platform
