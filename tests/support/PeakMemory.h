#pragma once
// The process's resident high-water mark, for tests that bound what one step costs at its peak.
#include <cstddef>
#include <fstream>
#include <string>

namespace tikoleap::test {

// The address sanitizer keeps freed blocks resident in its quarantine: there the process's peak
// says nothing of the code's, and the default build checks it.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TIKOLEAP_TEST_UNDER_ASAN
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(TIKOLEAP_TEST_UNDER_ASAN)
inline constexpr bool kPeakMemoryMeasured = false;
#else
inline constexpr bool kPeakMemoryMeasured = true;
#endif

// In bytes.
inline std::size_t peakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stoul(line.substr(6)) * 1024;
    return 0;
}

// Lowers the high-water mark to what the process holds now, and returns that.
inline std::size_t resetPeakResidentBytes() {
    std::ofstream("/proc/self/clear_refs") << "5";
    return peakResidentBytes();
}

}  // namespace tikoleap::test
