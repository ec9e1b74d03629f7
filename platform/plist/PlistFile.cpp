#include "platform/plist/PlistFile.h"

#include <string>
#include <vector>

#include "platform/foundation/FileIO.h"
#include "platform/foundation/Log.h"

namespace platform {

namespace {

constexpr const char* kReadName = "ReadDictionaryFromPlistFile";
constexpr const char* kWriteName = "WriteDictionaryToPlistFile";

void warnUnreadable(const std::filesystem::path& path, const std::string& reason) {
    logMessage(kReadName, 3, "ignoring unreadable property list " + path.string() + ": " + reason);
}

}  // namespace

std::optional<PlistDict> readPlistDictionaryFile(const std::filesystem::path& path) {
    FileReadResult file = readWholeFile(path, kMaxPlistFileBytes);
    if (file.status == FileReadResult::Status::Missing) return std::nullopt;
    if (file.status != FileReadResult::Status::Ok) {
        warnUnreadable(path, file.error);
        return std::nullopt;
    }
    if (file.bytes.size() < 8) {
        warnUnreadable(path, "not a property list");
        return std::nullopt;
    }
    // A terminating zero after the bytes keeps the text parser inside the buffer.
    file.bytes.push_back(0);
    plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(file.bytes.data()),
                      static_cast<uint32_t>(file.bytes.size() - 1), &root);
    if (!root) {
        warnUnreadable(path, "not a property list");
        return std::nullopt;
    }
    if (plistnode::typeOf(root) != PlistType::Dict) {
        plist_free(root);
        warnUnreadable(path, "root is not a dictionary");
        return std::nullopt;
    }
    return PlistDict::adopt(root);
}

bool writePlistDictionaryFile(const std::filesystem::path& path, const PlistDict& dict) {
    const std::vector<uint8_t> bytes = dict.toBinary();
    if (bytes.empty()) {
        logMessage(kWriteName, 4, "cannot serialise the dictionary for " + path.string());
        return false;
    }
    std::string error;
    if (!writeFileAtomically(path, bytes.data(), bytes.size(), 0644, &error)) {
        logMessage(kWriteName, 4, "cannot write " + path.string() + ": " + error);
        return false;
    }
    return true;
}

}  // namespace platform
