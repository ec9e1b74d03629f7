#include "platform/foundation/StoredFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <system_error>

#include "platform/foundation/AppPaths.h"
#include "platform/foundation/Log.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr int kWarn = 3;
constexpr int kMaxAsideNames = 1000;

std::mutex& marksMutex() {
    static std::mutex& mutex = *new std::mutex;
    return mutex;
}

// Never destroyed: a queue's worker may still save while the process exits.
std::set<std::string>& marks() {
    static std::set<std::string>& set = *new std::set<std::string>;
    return set;
}

// The same file under every spelling: links followed, absolute, normalised.
std::string keyOf(const fs::path& path) {
    const fs::path target = resolveLinks(path, nullptr).value_or(path);
    std::error_code ec;
    const fs::path absolute = fs::absolute(target, ec);
    return (ec ? target : absolute).lexically_normal().string();
}

void setMark(const fs::path& path, bool unreadable) {
    const std::string key = keyOf(path);
    std::lock_guard lock(marksMutex());
    if (unreadable) {
        marks().insert(key);
    } else {
        marks().erase(key);
    }
}

// Renames file to the first free "<file>.corrupt[.N]" without ever replacing one.
std::optional<fs::path> moveAside(const fs::path& file, std::string* error) {
    for (int n = 0; n < kMaxAsideNames; ++n) {
        std::string name = file.string();
        name += ".corrupt";
        if (n > 0) name += '.' + std::to_string(n);
        const fs::path aside = name;
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) return aside;
        if (errno == EEXIST) continue;
        if (errno != EINVAL && errno != ENOSYS) {
            *error = std::strerror(errno);
            return std::nullopt;
        }
        // A file system without no-replace renames: a hard link cannot replace either.
        if (::link(file.c_str(), aside.c_str()) == 0) {
            ::unlink(file.c_str());
            return aside;
        }
        if (errno == EEXIST) continue;
        *error = std::strerror(errno);
        return std::nullopt;
    }
    *error = "too many earlier copies set aside";
    return std::nullopt;
}

fs::path realLocation(const fs::path& path) {
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(path, ec);
    return ec ? path : real;
}

// A link planted in the app's folders (on the file, or on a folder on the way) must not turn a
// save into the overwrite of a file anywhere else: what is written through a link has to stay in
// the app's folders. A path given outside them without a link is the caller's own choice.
bool leadsOutOfOwnFolders(const fs::path& path, const fs::path& target) {
    struct stat st {};
    const bool isLink = ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    return (isLink || AppPaths::namesInside(path)) && !AppPaths::holds(target);
}

StoredSave refuse(const StoredSaveOptions& options, std::string why) {
    logMessage(options.logName, kWarn, why);
    return {StoredSave::Status::Refused, std::nullopt, std::move(why)};
}

}  // namespace

StoredRead readStoredFile(const fs::path& path, size_t maxBytes) {
    StoredRead read = readWholeFile(path, maxBytes);
    setMark(path, read.status == StoredRead::Status::Failed);
    return read;
}

void markStoredFileUnreadable(const fs::path& path) {
    setMark(path, true);
}

bool isStoredFileMarkedUnreadable(const fs::path& path) {
    const std::string key = keyOf(path);
    std::lock_guard lock(marksMutex());
    return marks().count(key) != 0;
}

namespace {

std::atomic<std::uint64_t> saveFailures{0};

StoredSave saveOnce(const fs::path& path, const void* data, size_t size, const StoredSaveOptions& options) {
    std::string error;
    const std::optional<fs::path> target = resolveLinks(path, &error);
    if (!target) return refuse(options, "not saving " + path.string() + ": " + error);
    if (leadsOutOfOwnFolders(path, *target)) {
        return refuse(options, "not saving " + path.string() + ": it leads to " +
                                   realLocation(*target).string() + ", outside the game's folders");
    }

    std::optional<fs::path> aside;
    struct stat st {};
    if (::lstat(target->c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return refuse(options, "not replacing " + target->string() + ": it is not a regular file");
        }
        const int fd = ::open(target->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            return refuse(options, "not replacing " + target->string() +
                                       ": it exists but cannot be opened (" + std::strerror(errno) + ")");
        }
        ::close(fd);
        bool unreadable = isStoredFileMarkedUnreadable(*target);
        if (!unreadable && options.looksValid) {
            const FileReadResult current = readWholeFile(*target, options.maxBytes);
            unreadable = current.status == FileReadResult::Status::Failed ||
                         (current.status == FileReadResult::Status::Ok && !options.looksValid(current.bytes));
        }
        if (unreadable) {
            aside = moveAside(*target, &error);
            if (!aside) {
                return refuse(options, "not replacing " + target->string() +
                                           ", which could not be read: cannot move it aside (" + error + ")");
            }
            logMessage(
                options.logName, kWarn,
                "moved " + target->string() + ", which could not be read, aside to " + aside->string());
        }
    } else if (errno != ENOENT) {
        return refuse(options, "not saving " + target->string() + ": " + std::strerror(errno));
    }

    if (!writeFileAtomically(*target, data, size, AtomicWriteOptions{options.mode, true, false}, &error)) {
        return {StoredSave::Status::Failed, aside, "cannot write " + target->string() + ": " + error};
    }
    setMark(*target, false);
    return {StoredSave::Status::Saved, aside, {}};
}

}  // namespace

StoredSave saveStoredFile(const fs::path& path, const void* data, size_t size,
                          const StoredSaveOptions& options) {
    StoredSave saved = saveOnce(path, data, size, options);
    if (!saved.ok()) noteStoredSaveFailure();
    return saved;
}

void noteStoredSaveFailure() {
    saveFailures.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t storedSaveFailures() {
    return saveFailures.load(std::memory_order_relaxed);
}

}  // namespace platform
