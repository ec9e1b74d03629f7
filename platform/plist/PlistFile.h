#pragma once
// Dictionary property-list files: read in either format, written in the binary format,
// atomically. Reading never trusts the file: anything but a readable dictionary gives nothing.
// Both go through platform/foundation/StoredFile.h, so a file that could not be read is moved
// aside before it is ever replaced.
#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/foundation/StoredFile.h"
#include "platform/plist/PlistDict.h"

namespace platform {

// Files beyond this size are refused rather than read into memory.
inline constexpr size_t kMaxPlistFileBytes = 16 * 1024 * 1024;

// Nothing when the file is missing (silently: that is a first run), and nothing with one WARN
// log line naming the file when it exists but cannot be read, does not parse, is nested too
// deeply, or its root is not a dictionary. The file itself is left as it is, and remembered as
// unreadable for the next write. `error`, when given, receives the reason of such a failure.
std::optional<PlistDict> readPlistDictionaryFile(const std::filesystem::path& path,
                                                 std::string* error = nullptr);

// Writes the binary form atomically; false on failure, with one WARN line when the save was
// refused (an existing file in the way: not a regular file, present but unopenable, or a link
// leading out of the app's folders) and one ERROR line otherwise. An existing file that could
// not be read (now or earlier in this run) is moved aside first. `error`, when given, receives
// the reason of a failure.
bool writePlistDictionaryFile(const std::filesystem::path& path, const PlistDict& dict, mode_t mode = 0644,
                              std::string* error = nullptr);
// The same, telling a refusal from a failure.
StoredSave::Status savePlistDictionaryFile(const std::filesystem::path& path, const PlistDict& dict,
                                           mode_t mode = 0644, std::string* error = nullptr);

}  // namespace platform
