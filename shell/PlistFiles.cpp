#include "shell/PlistFiles.h"

#include <filesystem>
#include <system_error>

#include "platform/foundation/AppPaths.h"
#include "platform/plist/PlistFile.h"

namespace fs = std::filesystem;

std::string DocumentsDirectory() {
    return platform::AppPaths::documentsDirectory().string();
}

std::optional<std::string> DocumentsSubdirectory(const std::string& name, bool create) {
    const fs::path relative = fs::path(name).lexically_normal();
    if (relative.is_absolute() || (!relative.empty() && *relative.begin() == "..")) return std::nullopt;
    const fs::path path = fs::path(DocumentsDirectory()) / relative;
    if (!create) return path.string();
    std::error_code ec;
    if (fs::is_directory(path, ec)) return path.string();
    fs::create_directories(path, ec);
    if (ec || !fs::is_directory(path, ec)) return std::nullopt;
    return path.string();
}

std::optional<platform::PlistDict> ReadDictionaryFromPlistFile(const std::string& path) {
    return platform::readPlistDictionaryFile(path);
}

bool WriteDictionaryToPlistFile(const std::string& path, const platform::PlistDict& dictionary) {
    return platform::writePlistDictionaryFile(path, dictionary);
}
