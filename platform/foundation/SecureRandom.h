#pragma once
// Bytes from the system's secure random generator (getrandom(2), the kernel's CSPRNG).
#include <cstddef>
#include <cstdint>

namespace platform {

// Fills `size` bytes; false when the generator could not give them all (the buffer is then
// cleared, so no half-random value is ever used).
bool secureRandomBytes(uint8_t* out, std::size_t size);

}  // namespace platform
