// Any bytes as the URL of an ad page's navigation: a message is made only from a well-formed amsg
// URL, with a bounded name free of control characters. Nothing may crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ads/render/bridge/DZNotification.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    auto note = DZNotification::fromURL(url);
    if (!note) return 0;
    if (!DZNotification::isNotificationURL(url)) std::abort();
    const std::string& name = note->name();
    if (name.empty() || name.size() > DZNotification::kMaxNameLength) std::abort();
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f) std::abort();
    }
    (void)note->description();
    return 0;
}
