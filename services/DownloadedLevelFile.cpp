#include "services/DownloadedLevelFile.h"

#include <cstring>

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelInfo.h"
#include "platform/foundation/FileIO.h"
#include "services/DecimalText.h"
#include "shell/Crc32.h"
#include "shell/LogMessage.h"
#include "shell/PlistFiles.h"

namespace {

constexpr const char* kLogName = "processDownloadedBytes";

[[noreturn]] void fail(const std::string& message) {
    throw JTCore::makeRef<JTCore::JTException>(JTCore::makeRef<JTCore::JTString>(message));
}

}  // namespace

std::string ensureNSString(plist_t node) {
    if (!node || plist_get_node_type(node) != PLIST_STRING) fail("ensureNSString failed");
    char* text = nullptr;
    plist_get_string_val(node, &text);
    std::string out = text ? text : "";
    free(text);
    return out;
}

uint32_t downloadedLevelCheckValue(const uint8_t* body, std::size_t size) {
    return Crc32OfTwoRanges("-", 1, body, size);
}

bool processDownloadedBytes(JTAppBase::FilesLevelManager& manager, int levelId, const uint8_t* data,
                            std::size_t size) {
    JTCore::Ref<JTAppBase::JTAppContext> context = manager.getAppContext();
    const uint8_t* lf = data ? static_cast<const uint8_t*>(std::memchr(data, '\n', size)) : nullptr;
    if (!lf || lf == data) {
        LogMessage(kLogName, 3, "No LF");
        return false;
    }
    const auto headerLength = static_cast<std::size_t>(lf - data);
    std::string why;
    platform::PlistNodePtr header = platform::parsePlistAnyFormat(data, headerLength, &why);
    if (!header) {
        LogMessage(kLogName, 3, why);
        return false;
    }
    if (plist_get_node_type(header.get()) != PLIST_DICT) {
        LogMessage(kLogName, 3, "Invalid header");
        return false;
    }
    auto value = [&](const char* key) { return ensureNSString(plist_dict_get_item(header.get(), key)); };
    const int lid = decimalIntValue(value("lid"));
    JTCore::Ref<JTAppBase::JTLevelInfo> info = JTAppBase::JTLevelInfo::create(context.get(), lid);
    info->setName(JTCore::makeRef<JTCore::JTString>(value("name")));
    const int ds = decimalIntValue(value("ds"));
    info->setDataSize(ds);
    const int64_t dh = decimalLongLongValue(value("dh"));
    info->setDataHash(dh);
    info->setFlags(decimalLongLongValue(value("flags")));
    info->setDownloaded(true);

    if (lid != levelId) {
        LogMessage(kLogName, 3, "lid unmatch");
        return false;
    }
    if (static_cast<int64_t>(size) - ds - 1 != static_cast<int64_t>(headerLength)) {
        LogMessage(kLogName, 3, "size unmatch");
        return false;
    }
    if (ds > kMaxDownloadedLevelBytes) fail("too big size");
    const uint8_t* body = lf + 1;
    const auto bodySize = static_cast<std::size_t>(ds);
    if (downloadedLevelCheckValue(body, bodySize) != static_cast<uint32_t>(static_cast<uint64_t>(dh))) {
        fail("dh unmatch");
    }
    if (!platform::parsePlistAnyFormat(body, bodySize, &why)) fail(why);

    std::optional<std::string> folder = DocumentsSubdirectory("levels", true);
    std::string error;
    if (!folder || !platform::writeFileAtomically(std::filesystem::path(*folder) / std::to_string(lid), body,
                                                  bodySize, 0644, &error)) {
        // A level that cannot be kept cannot be played later: the download counts as failed.
        LogMessage(kLogName, 3, "cannot store the level: " + (folder ? error : std::string("no levels folder")));
        return false;
    }
    manager.addDownloadedLevel(info);
    return true;
}
