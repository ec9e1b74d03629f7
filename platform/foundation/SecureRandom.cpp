#include "platform/foundation/SecureRandom.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>

namespace platform {

bool secureRandomBytes(uint8_t* out, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t n = getrandom(out + filled, size - filled, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::memset(out, 0, size);
            return false;
        }
        filled += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace platform
