// Any bytes as the announcement list: parsed in every property-list format, then read as a list.
// Nothing may crash, hang or leak, and a refused file name never reaches the file table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/foundation/Log.h"
#include "platform/plist/PlistDict.h"
#include "platform/plist/PlistText.h"
#include "services/AnnounceInfo.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::PlistNodePtr root = platform::parsePlistAnyFormat(data, size);
    if (!root || plist_get_node_type(root.get()) != PLIST_ARRAY) return 0;
    std::optional<platform::PlistArray> list = platform::PlistArray::adopt(root.release());
    if (!list) return 0;
    AnnounceInfo info;
    info.parse(*list);
    if (info.files().size() > AnnounceInfo::kMaxFiles) std::abort();
    // Positions the banner would take from the items.
    float extent = info.viewSize().width + info.viewSize().height;
    for (const platform::PlistArray& item : info.uiitems())
        extent += AnnounceInfo::pointsAt(item, 1) + AnnounceInfo::pointsAt(item, 2);
    if (!(extent == extent)) std::abort();  // never NaN
    for (const auto& [key, item] : info.files()) {
        std::optional<std::string> name = item.getString(2);
        if (name && !AnnounceInfo::isSafeFileName(*name)) std::abort();
    }
    return 0;
}
