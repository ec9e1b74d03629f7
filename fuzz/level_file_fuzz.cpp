// Any bytes as a downloaded level file asked for as level 40: a checked file, a refusal, or the
// reader's own exception, and never anything else. A file that checks out has its body inside
// the bytes read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/foundation/Log.h"
#include "services/DownloadedLevelFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        std::optional<DownloadedLevelFile> file = readDownloadedLevelFile(40, data, size);
        if (file && (file->lid != 40 || file->body < data || file->body + file->bodySize != data + size ||
                     file->bodySize > static_cast<size_t>(kMaxDownloadedLevelBytes))) {
            std::abort();
        }
    } catch (const JTCore::Ref<JTCore::JTException>&) {
        // The reader's way of refusing malformed values and bodies.
    }
    return 0;
}
