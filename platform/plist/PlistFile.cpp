#include "platform/plist/PlistFile.h"

#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/foundation/StoredFile.h"

namespace platform {

namespace {

constexpr const char* kReadName = "ReadDictionaryFromPlistFile";
constexpr const char* kWriteName = "WriteDictionaryToPlistFile";

void warnUnreadable(const std::filesystem::path& path, const std::string& reason) {
    logMessage(kReadName, 3, "ignoring unreadable property list " + path.string() + ": " + reason);
}

}  // namespace

std::optional<PlistDict> readPlistDictionaryFile(const std::filesystem::path& path, std::string* error) {
    StoredRead file = readStoredFile(path, kMaxPlistFileBytes);
    if (file.status == StoredRead::Status::Missing) return std::nullopt;
    if (file.status != StoredRead::Status::Ok) {
        warnUnreadable(path, file.error);
        if (error) *error = file.error;
        return std::nullopt;
    }
    std::string why;
    std::optional<PlistDict> dict = PlistDict::parse(file.bytes.data(), file.bytes.size(), &why);
    if (!dict) {
        markStoredFileUnreadable(path);
        warnUnreadable(path, why);
        if (error) *error = why;
    }
    return dict;
}

bool writePlistDictionaryFile(const std::filesystem::path& path, const PlistDict& dict, mode_t mode,
                              std::string* error) {
    return savePlistDictionaryFile(path, dict, mode, error) == StoredSave::Status::Saved;
}

StoredSave::Status savePlistDictionaryFile(const std::filesystem::path& path, const PlistDict& dict,
                                           mode_t mode, std::string* error) {
    const std::vector<uint8_t> bytes = dict.toBinary();
    if (bytes.empty()) {
        logMessage(kWriteName, 4, "cannot serialise the dictionary for " + path.string());
        if (error) *error = "cannot serialise the dictionary";
        return StoredSave::Status::Failed;
    }
    StoredSaveOptions options;
    options.mode = mode;
    options.maxBytes = kMaxPlistFileBytes;
    options.looksValid = [](const std::vector<uint8_t>& current) {
        return PlistDict::parse(current.data(), current.size()).has_value();
    };
    options.logName = kWriteName;
    const StoredSave saved = saveStoredFile(path, bytes.data(), bytes.size(), options);
    if (saved.status == StoredSave::Status::Failed) logMessage(kWriteName, 4, saved.error);
    if (!saved.ok() && error) *error = saved.error;
    return saved.status;
}

}  // namespace platform
