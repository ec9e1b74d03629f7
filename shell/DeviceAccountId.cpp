#include "shell/DeviceAccountId.h"

#include <algorithm>

#include "appbase/LogMessage.h"
#include "platform/foundation/SecureRandom.h"
#include "shell/Keychain.h"

platform::PlistDict DeviceAccountId::query() {
    return KeychainQueryForAccount(kAccount, kService, std::string(kAccessGroup));
}

std::optional<std::vector<uint8_t>> DeviceAccountId::establish(const char* logName) {
    return establish(logName, platform::secureRandomBytes);
}

std::optional<std::vector<uint8_t>> DeviceAccountId::establish(const char* logName,
                                                               const RandomSource& random) {
    const platform::PlistDict itemQuery = query();
    std::optional<std::vector<uint8_t>> stored = KeychainCopyData(itemQuery);
    if (stored) {
        const bool allZero = std::all_of(stored->begin(), stored->end(), [](uint8_t b) { return b == 0; });
        if (stored->size() == kLength && !allZero) return stored;
        KeychainDelete(itemQuery);
    }
    std::vector<uint8_t> fresh(kLength, 0);
    if (!random(fresh.data(), fresh.size())) {
        LogMessage(logName, 4, "arid generation failure");
        return std::nullopt;
    }
    if (!KeychainAddData(itemQuery, fresh)) {
        LogMessage(logName, 4, "arid registration failure");
        return std::nullopt;
    }
    return fresh;
}

bool DeviceAccountId::remove() {
    return KeychainDelete(query());
}
