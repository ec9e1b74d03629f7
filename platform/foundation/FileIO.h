#pragma once
// Whole-file reads with a size cap, and atomic whole-file writes (temporary file in the same
// folder, fsync, rename), so a crash or a full disk never leaves a half-written file behind.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

struct FileReadResult {
    enum class Status {
        Ok,
        Missing,  // no such file: a normal first run, not a fault
        Failed,   // exists but could not be read (not a regular file, permissions, too large, I/O)
    };
    Status status = Status::Failed;
    std::vector<uint8_t> bytes;
    std::string error;  // why, for Failed
};

FileReadResult readWholeFile(const std::filesystem::path& path, size_t maxBytes);

// Replaces path with exactly these bytes, with the given permission bits. On failure the old
// file is untouched, no temporary file is left behind, and error (when given) says why.
bool writeFileAtomically(const std::filesystem::path& path, const void* data, size_t size, mode_t mode,
                         std::string* error = nullptr);

}  // namespace platform
