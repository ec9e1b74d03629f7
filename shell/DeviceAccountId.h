#pragma once
// The device account id ("arid"): 16 random bytes kept in the keychain, which identify this
// device to the game's server in every signed link.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/plist/PlistDict.h"

class DeviceAccountId {
  public:
    static constexpr std::size_t kLength = 16;
    static constexpr const char* kAccount = "arid";
    static constexpr const char* kService = "net.corvane.iphone.Apps";
    static constexpr const char* kAccessGroup = "K9T4W2R7LM.net.corvane.iphone.Apps";

    // Fills the buffer with secure random bytes; false on failure.
    using RandomSource = std::function<bool(uint8_t* out, std::size_t size)>;

    // The keychain query of the item.
    static platform::PlistDict query();

    // The stored id; a stored value of another length (or all zero, which would be shared by
    // every device that fell back to it) is deleted and replaced by fresh random bytes, which are
    // stored. Nothing when no id could be had: the generator failed ("arid generation failure")
    // or the keychain refused it ("arid registration failure"), both logged at level 4 under
    // `logName`; the next launch tries again.
    static std::optional<std::vector<uint8_t>> establish(const char* logName, const RandomSource& random);
    static std::optional<std::vector<uint8_t>> establish(const char* logName);

    // Deletes the item; false when there was none or the keychain could not be written.
    static bool remove();
};
