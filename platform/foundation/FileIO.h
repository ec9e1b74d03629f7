#pragma once
// Whole-file reads with a size cap, and atomic whole-file writes (temporary file in the same
// folder, fsync, rename), so a crash or a full disk never leaves a half-written file behind.
// Stores keep their files through platform/foundation/StoredFile.h, which adds the rules for
// files that could not be read; this header is the plain file layer under it.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
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

// Opens without blocking (a FIFO or device in place of the file never hangs the caller), and
// reads only a regular file of at most maxBytes.
FileReadResult readWholeFile(const std::filesystem::path& path, size_t maxBytes);

// The file a write to path lands in: path itself, or, when path is a symbolic link (or a chain of
// them), the file the last link names. Nothing, with a reason, for a loop or an unreadable link.
std::optional<std::filesystem::path> resolveLinks(const std::filesystem::path& path, std::string* error);

struct AtomicWriteOptions {
    // The mode of a new file. A file that is replaced keeps its mode (permission bits only) and, as
    // far as this process may give them, its owner and group: an output someone narrowed to 0640,
    // or a file of another user's written by root, stays as it was.
    mode_t mode = 0644;
    // False leaves the data to the kernel's own writeback: for bulk outputs whose caller syncs
    // the folder once at the end (syncFolder). The rename is atomic either way.
    bool sync = true;
    // False gives a replaced file `mode` too: for stores whose mode is part of their privacy.
    bool keepMode = true;
};

// Replaces path with exactly these bytes. A symbolic link is followed and its target replaced,
// so the link stays a link. A target that exists but is not a regular file is never replaced.
// On failure the old file is untouched, no temporary file is left behind, and error says why.
bool writeFileAtomically(const std::filesystem::path& path, const void* data, size_t size,
                         const AtomicWriteOptions& options, std::string* error = nullptr);
inline bool writeFileAtomically(const std::filesystem::path& path, const void* data, size_t size, mode_t mode,
                                std::string* error = nullptr) {
    return writeFileAtomically(path, data, size, AtomicWriteOptions{mode, true, true}, error);
}

// Gives fd (a new file about to replace target) target's owner and group where this process may,
// and target's permission bits (keepMode) or `mode`; a missing target gives `mode`. False when
// the mode cannot be set.
bool takeOverModeAndOwner(int fd, const std::filesystem::path& target, mode_t mode, bool keepMode = true);

// Flushes a folder's entries (renames into it) to disk; false when it cannot be opened or synced.
bool syncFolder(const std::filesystem::path& folder);

// Temporary files are named ".<name>.tikoleap-<pid>-<n>.tmp" beside the file they will become,
// so that a run killed mid-write leaves something recognisable. This removes, from one folder,
// the temporaries of processes that no longer run (and the differently named ones earlier
// versions left: "<name>.png.tmp-<pid>-<n>", "<name>.plist.XXXXXX"); the number removed.
int removeStaleTemporaries(const std::filesystem::path& folder);
// The same, once per folder and process: the app's folders are swept when first handed out at
// start-up, and any other folder the first time the atomic writer writes there.
void removeStaleTemporariesOnce(const std::filesystem::path& folder);
// A fresh temporary name beside target, for writers that stream into a file of their own and
// rename it over target when complete (create it with O_EXCL: the name is unique in this process).
std::filesystem::path temporaryPathFor(const std::filesystem::path& target);
// Whether a file name is one of our temporaries (of any process, live or not).
bool isTemporaryFileName(const std::string& name);

}  // namespace platform
