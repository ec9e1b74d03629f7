#pragma once
// Dictionary property-list files: read in either format, written in the binary format,
// atomically. Reading never trusts the file: anything but a readable dictionary gives nothing.
#include <cstddef>
#include <filesystem>
#include <optional>

#include "platform/plist/PlistDict.h"

namespace platform {

// Files beyond this size are refused rather than read into memory.
inline constexpr size_t kMaxPlistFileBytes = 16 * 1024 * 1024;

// Nothing when the file is missing (silently: that is a first run), and nothing with one WARN
// log line naming the file when it exists but cannot be read, does not parse, or its root is
// not a dictionary. The file itself is left as it is.
std::optional<PlistDict> readPlistDictionaryFile(const std::filesystem::path& path);

// Writes the binary form atomically (mode 0644); false, with an ERROR log line, on failure.
bool writePlistDictionaryFile(const std::filesystem::path& path, const PlistDict& dict);

}  // namespace platform
