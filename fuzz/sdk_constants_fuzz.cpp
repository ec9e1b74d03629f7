// Any bytes as the constants of the SDK core page: lines alternate a name and its value. What
// the reading keeps must stay within its bounds. Nothing may crash, hang or leak.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "ads/core/slot/DZSDKCoreConstants.h"

namespace {

void checkInterval(const std::optional<double>& seconds) {
    if (seconds && (!std::isfinite(*seconds) || *seconds < 0 || *seconds > 86400)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::map<std::string, std::string> constants;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nameEnd = text.find('\n', start);
        if (nameEnd == std::string::npos) break;
        std::size_t valueEnd = text.find('\n', nameEnd + 1);
        if (valueEnd == std::string::npos) valueEnd = text.size();
        constants[text.substr(start, nameEnd - start)] = text.substr(nameEnd + 1, valueEnd - nameEnd - 1);
        start = valueEnd + 1;
    }
    const auto reading = DZSDKCoreConstants::read(constants);
    checkInterval(reading.applied.zadavaDuruSamplingInterval);
    checkInterval(reading.applied.swipeToViewSamplingInterval);
    if (reading.applied.zadavaDuruUnloadCacheSize &&
        (*reading.applied.zadavaDuruUnloadCacheSize < 1 || *reading.applied.zadavaDuruUnloadCacheSize > 64))
        std::abort();
    for (const auto& [name, value] : reading.copied) {
        if (value.empty() || value.size() > DZSDKCoreConstants::kMaxValueBytes) std::abort();
    }
    if (reading.clickthroughConfirmSchemes && reading.clickthroughConfirmSchemes->empty()) std::abort();
    return 0;
}
