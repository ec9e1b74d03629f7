#include "ads/foundation/DZSession.h"

#include <cstdint>
#include <cstring>
#include <random>

#include "platform/foundation/SecureRandom.h"

DZSession::DZSession() {
    uint8_t bytes[8] = {};
    if (!platform::secureRandomBytes(bytes, sizeof bytes)) {
        // Without the system's generator the ID need only differ between runs.
        std::random_device device;
        for (auto& b : bytes) b = static_cast<uint8_t>(device());
    }
    uint64_t id = 0;
    std::memcpy(&id, bytes, sizeof id);
    uniqueID_ = std::to_string(id);
}
