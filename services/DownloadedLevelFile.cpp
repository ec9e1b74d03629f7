#include "services/DownloadedLevelFile.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

#include "appbase/LogMessage.h"
#include "platform/plist/PlistNode.h"
#include "services/DecimalText.h"
#include "shell/Crc32.h"

namespace {

constexpr const char* kLogName = "processDownloadedBytes";

[[noreturn]] void fail(const std::string& message) {
    throw JTCore::makeRef<JTCore::JTException>(JTCore::makeRef<JTCore::JTString>(message));
}

// The level id is read as a number whichever way it is written: decimal text, or a number of the
// property list (reals truncated); anything else is no id.
int levelIdOf(plist_t node) {
    if (std::optional<std::string> text = platform::plistnode::readString(node))
        return decimalIntValue(*text);
    const int64_t id = platform::plistnode::readNumberAsInt(node).value_or(0);
    return static_cast<int>(std::clamp<int64_t>(id, INT_MIN, INT_MAX));
}

// The data hash in decimal, or in hexadecimal after "0x" (a checksum is often written that way).
int64_t dataHashOf(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t");
    const bool hex = start != std::string::npos && text.size() > start + 2 && text[start] == '0' &&
                     (text[start + 1] == 'x' || text[start + 1] == 'X');
    if (!hex) return decimalLongLongValue(text);
    uint64_t value = 0;
    for (size_t i = start + 2; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        value = (value << 4) | static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    return static_cast<int64_t>(value);
}

}  // namespace

std::string ensureNSString(plist_t node) {
    // Read by pointer and length: a string may hold a NUL byte, on which the library's copying
    // read stops the process; such a string is refused.
    std::optional<std::string> text = platform::plistnode::readString(node);
    if (!text) fail("ensureNSString failed");
    return *text;
}

uint32_t downloadedLevelCheckValue(const uint8_t* body, std::size_t size) {
    return Crc32OfTwoRanges("-", 1, body, size);
}

std::optional<DownloadedLevelFile> readDownloadedLevelFile(int levelId, const uint8_t* data,
                                                           std::size_t size) {
    const uint8_t* lf = data ? static_cast<const uint8_t*>(std::memchr(data, '\n', size)) : nullptr;
    if (!lf || lf == data) {
        LogMessage(kLogName, 3, "No LF");
        return std::nullopt;
    }
    const auto headerLength = static_cast<std::size_t>(lf - data);
    std::string why;
    platform::PlistNodePtr header = platform::parsePlistAnyFormat(data, headerLength, &why);
    if (!header) {
        LogMessage(kLogName, 3, why);
        return std::nullopt;
    }
    if (plist_get_node_type(header.get()) != PLIST_DICT) {
        LogMessage(kLogName, 3, "Invalid header");
        return std::nullopt;
    }
    auto value = [&](const char* key) { return ensureNSString(plist_dict_get_item(header.get(), key)); };
    DownloadedLevelFile file;
    file.lid = levelIdOf(plist_dict_get_item(header.get(), "lid"));
    file.name = value("name");
    file.ds = decimalIntValue(value("ds"));
    file.dh = dataHashOf(value("dh"));
    file.flags = decimalLongLongValue(value("flags"));
    if (file.lid != levelId) {
        LogMessage(kLogName, 3, "lid unmatch");
        return std::nullopt;
    }
    if (static_cast<int64_t>(size) - file.ds - 1 != static_cast<int64_t>(headerLength)) {
        LogMessage(kLogName, 3, "size unmatch");
        return std::nullopt;
    }
    if (file.ds > kMaxDownloadedLevelBytes) fail("too big size");
    file.body = lf + 1;
    file.bodySize = static_cast<std::size_t>(file.ds);
    if (downloadedLevelCheckValue(file.body, file.bodySize) !=
        static_cast<uint32_t>(static_cast<uint64_t>(file.dh))) {
        fail("dh unmatch");
    }
    if (!platform::parsePlistAnyFormat(file.body, file.bodySize, &why)) fail(why);
    return file;
}
