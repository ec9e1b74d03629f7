#include "ads/core/DZCorrelator.h"

#include <random>

#include "platform/foundation/SecureRandom.h"

DZCorrelator::DZCorrelator() : correlationID_(0) {
    // Only the server's de-duplication depends on it: a weaker source will do when the kernel's
    // is unavailable. 0 means "no correlator" in a request, so it is never drawn.
    while (correlationID_ == 0) {
        uint8_t bytes[sizeof correlationID_];
        if (platform::secureRandomBytes(bytes, sizeof bytes)) {
            for (uint8_t b : bytes) correlationID_ = (correlationID_ << 8) | b;
        } else {
            std::random_device device;
            correlationID_ = (uint64_t{device()} << 32) | device();
        }
    }
}
