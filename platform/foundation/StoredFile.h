#pragma once
// The one way to keep a file between runs (the unlock map, the keychain, and every settings,
// score or announcement store after them). A store uses exactly these calls:
//
//   StoredRead read = readStoredFile(path, kMaxBytes);
//     Missing: a first run.  Failed: log why (one WARN) and carry on with defaults.
//     Ok: decode read.bytes; if they do not decode (parse error, wrong root, nesting too deep),
//         call markStoredFileUnreadable(path), log one WARN and carry on with defaults.
//   StoredSave saved = saveStoredFile(path, bytes, size, {mode, maxBytes, looksValid, logName});
//     Saved: done.  Refused: already logged (one WARN); keep the state in memory and try again
//     at the next save.  Failed: log saved.error.
//
// What it guarantees: a save never destroys what could not be read. A file whose read failed or
// did not decode in this process, or that looksValid rejects, is first moved aside as
// "<name>.corrupt" (then ".corrupt.1", ...; earlier ones are kept), with one WARN naming both
// paths. A file that exists but cannot be opened (permissions), or is not a regular file (FIFO,
// device, folder), is not replaced at all: Refused. A save through a symbolic link (on the file or
// on a folder of the app's on the way) is made only when the file it leads to lies inside the
// app's own folders (AppPaths::holds); otherwise it is Refused with one WARN naming both paths,
// and nothing is renamed or created. Reads never block and never take more than maxBytes. Writes
// are atomic (platform/foundation/FileIO.h): an allowed link is followed and its target replaced
// with the store's mode, temporaries have recognisable names and stale ones are swept.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/FileIO.h"

namespace platform {

using StoredRead = FileReadResult;

// Reads path; a Failed read is remembered for the next save of the same file.
StoredRead readStoredFile(const std::filesystem::path& path, size_t maxBytes);

// The bytes were read but do not decode: the next save moves the file aside first.
void markStoredFileUnreadable(const std::filesystem::path& path);
bool isStoredFileMarkedUnreadable(const std::filesystem::path& path);

struct StoredSaveOptions {
    mode_t mode = 0644;
    size_t maxBytes = 16 * 1024 * 1024;
    // For a file that was not read in this process: whether its current bytes decode. A file
    // that does not (or is larger than maxBytes) is moved aside before it is replaced.
    std::function<bool(const std::vector<uint8_t>&)> looksValid;
    const char* logName = "saveStoredFile";  // function name of the WARN lines
};

struct StoredSave {
    enum class Status { Saved, Refused, Failed };
    Status status = Status::Failed;
    std::optional<std::filesystem::path> movedAside;  // where an unreadable original went
    std::string error;                                // why, for Refused and Failed

    bool ok() const { return status == Status::Saved; }
};

StoredSave saveStoredFile(const std::filesystem::path& path, const void* data, size_t size,
                          const StoredSaveOptions& options);

// Saves that kept nothing (Refused or Failed) since the process started, any store, any thread: a
// run compares the count before and after to tell whether something it meant to keep was lost.
std::uint64_t storedSaveFailures();
// Counts a save that failed before it could be made (no folder for the file).
void noteStoredSaveFailure();

}  // namespace platform
