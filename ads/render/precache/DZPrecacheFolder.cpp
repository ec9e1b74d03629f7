#include "ads/render/precache/DZPrecacheFolder.h"

#include <glib.h>

#include "ads/foundation/DZDevice.h"

namespace fs = std::filesystem;

fs::path DZPrecacheFolder::path(bool create) {
    return DZDevice::temporaryPathWithCreation(create);
}

std::optional<fs::path> DZPrecacheFolder::fileInside(const std::string& fileURL) {
    if (fileURL.find('\0') != std::string::npos) return std::nullopt;
    gchar* host = nullptr;
    gchar* name = g_filename_from_uri(fileURL.c_str(), &host, nullptr);
    const bool local = !host || g_ascii_strcasecmp(host, "localhost") == 0;
    const std::string file = name ? name : "";
    g_free(host);
    g_free(name);
    if (!local || file.empty()) return std::nullopt;
    std::error_code ec;
    const fs::path folder = fs::canonical(path(false), ec);
    if (ec) return std::nullopt;
    const fs::path resolved = fs::canonical(file, ec);
    if (ec || !fs::is_regular_file(resolved, ec)) return std::nullopt;
    const fs::path relative = resolved.lexically_relative(folder);
    if (relative.empty() || *relative.begin() == ".." || *relative.begin() == ".") return std::nullopt;
    return resolved;
}
