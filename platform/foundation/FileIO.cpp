#include "platform/foundation/FileIO.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTempTag = ".tikoleap-";
constexpr std::string_view kTempEnd = ".tmp";
// Leaves room for the tag in a 255-byte file name.
constexpr size_t kMaxTempStem = 200;
constexpr int kMaxLinks = 40;

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

class FdCloser {
  public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

bool allDigits(std::string_view text) {
    if (text.empty() || text.size() > 18) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// "<pid>-<n>" -> pid
std::optional<long long> pidOfCounterPair(std::string_view text) {
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    const std::string_view pid = text.substr(0, dash);
    if (!allDigits(pid) || !allDigits(text.substr(dash + 1))) return std::nullopt;
    return std::stoll(std::string(pid));
}

// ".<name>.tikoleap-<pid>-<n>.tmp"
std::optional<long long> pidOfOurTemporary(std::string_view name) {
    if (name.size() < 2 || name[0] != '.' || name.size() <= kTempEnd.size() ||
        name.substr(name.size() - kTempEnd.size()) != kTempEnd) {
        return std::nullopt;
    }
    const std::string_view body = name.substr(0, name.size() - kTempEnd.size());
    const size_t tag = body.rfind(kTempTag);
    if (tag == std::string_view::npos || tag < 2) return std::nullopt;
    return pidOfCounterPair(body.substr(tag + kTempTag.size()));
}

// "<name>.png.tmp-<pid>-<n>", from the image writer of earlier versions.
std::optional<long long> pidOfOldImageTemporary(std::string_view name) {
    constexpr std::string_view kTag = ".png.tmp-";
    const size_t tag = name.rfind(kTag);
    if (tag == std::string_view::npos || tag == 0) return std::nullopt;
    return pidOfCounterPair(name.substr(tag + kTag.size()));
}

// "<name>.plist.XXXXXX" with mkstemp's six letters and digits. Six lower-case letters are more
// likely a person's own suffix ("backup") than mkstemp's, so those are left alone.
bool isOldStoreTemporary(std::string_view name) {
    constexpr std::string_view kTag = ".plist.";
    if (name.size() <= kTag.size() + 6) return false;
    const std::string_view suffix = name.substr(name.size() - 6);
    if (name.substr(name.size() - 6 - kTag.size(), kTag.size()) != kTag) return false;
    bool onlyLower = true;
    for (char c : suffix) {
        const bool lower = c >= 'a' && c <= 'z';
        const bool other = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!lower && !other) return false;
        onlyLower = onlyLower && lower;
    }
    return !onlyLower;
}

bool processGone(long long pid) {
    if (pid <= 0 || pid == ::getpid()) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// A new, exclusive temporary beside target; -1 with errno set when none can be made.
int createTemporary(const fs::path& target, std::string* tempPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = temporaryPathFor(target).string();
        const int fd = ::open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

FileReadResult readWholeFile(const fs::path& path, size_t maxBytes) {
    FileReadResult result;
    FdCloser fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            result.status = FileReadResult::Status::Missing;
        } else {
            result.error = errnoText("open");
        }
        return result;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result.error = errnoText("fstat");
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = "not a regular file";
        return result;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        result.error = "file too large (" + std::to_string(st.st_size) + " bytes)";
        return result;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    uint8_t buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.error = errnoText("read");
            return result;
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<size_t>(n) > maxBytes) {
            result.error = "file too large";
            return result;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    result.status = FileReadResult::Status::Ok;
    result.bytes = std::move(bytes);
    return result;
}

std::optional<fs::path> resolveLinks(const fs::path& path, std::string* error) {
    fs::path current = path;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) return current;
            setError(error, errnoText("lstat"));
            return std::nullopt;
        }
        if (!S_ISLNK(st.st_mode)) return current;
        std::error_code ec;
        const fs::path target = fs::read_symlink(current, ec);
        if (ec) {
            setError(error, "cannot read the link " + current.string() + ": " + ec.message());
            return std::nullopt;
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    setError(error, "too many levels of symbolic links");
    return std::nullopt;
}

bool writeFileAtomically(const fs::path& path, const void* data, size_t size,
                         const AtomicWriteOptions& options, std::string* error) {
    const std::optional<fs::path> target = resolveLinks(path, error);
    if (!target) return false;
    struct stat existing {};
    if (::lstat(target->c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        setError(error, target->string() + " exists and is not a regular file");
        return false;
    }
    fs::path folder = target->parent_path();
    if (folder.empty()) folder = ".";
    removeStaleTemporariesOnce(folder);

    std::string temp;
    FdCloser fd(createTemporary(*target, &temp));
    if (fd.get() < 0) {
        setError(error, errnoText("create temporary file"));
        return false;
    }
    auto fail = [&](const char* what) {
        setError(error, errnoText(what));
        if (fd.get() >= 0) ::close(fd.release());
        ::unlink(temp.c_str());
        return false;
    };
    const auto* p = static_cast<const uint8_t*>(data);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("write");
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (!takeOverModeAndOwner(fd.get(), *target, options.mode, options.keepMode)) return fail("fchmod");
    if (options.sync && ::fsync(fd.get()) != 0) return fail("fsync");
    if (::close(fd.release()) != 0) return fail("close");
    if (::rename(temp.c_str(), target->c_str()) != 0) return fail("rename");
    // Make the rename itself durable; a folder that cannot be synced is no reason to fail.
    if (options.sync) syncFolder(folder);
    return true;
}

bool takeOverModeAndOwner(int fd, const fs::path& target, mode_t mode, bool keepMode) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0 || !S_ISREG(existing.st_mode)) return ::fchmod(fd, mode) == 0;
    // Ownership first: a change of owner clears the mode's special bits. Only root may give a file
    // away, and a group only to one of its own; otherwise the file stays this process's.
    struct stat ours {};
    if (::fstat(fd, &ours) == 0 && (ours.st_uid != existing.st_uid || ours.st_gid != existing.st_gid)) {
        if (::fchown(fd, existing.st_uid, existing.st_gid) != 0)
            (void)::fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
    }
    return ::fchmod(fd, keepMode ? (existing.st_mode & 0777) : mode) == 0;
}

bool syncFolder(const fs::path& folder) {
    FdCloser dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.get() >= 0 && ::fsync(dir.get()) == 0;
}

fs::path temporaryPathFor(const fs::path& target) {
    static std::atomic<unsigned long long> counter{0};
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string name = target.filename().string();
    if (name.size() > kMaxTempStem) name.resize(kMaxTempStem);
    name.insert(name.begin(), '.');
    name += kTempTag;
    name += std::to_string(::getpid());
    name += '-';
    name += std::to_string(counter++);
    name += kTempEnd;
    return folder / name;
}

bool isTemporaryFileName(const std::string& name) {
    return pidOfOurTemporary(name).has_value();
}

void removeStaleTemporariesOnce(const fs::path& folder) {
    // Never destroyed: a queue's worker may still save while the process exits.
    static std::mutex& mutex = *new std::mutex;
    static std::set<std::string>& swept = *new std::set<std::string>;
    std::error_code ec;
    const fs::path key = fs::absolute(folder, ec).lexically_normal();
    {
        std::lock_guard lock(mutex);
        if (!swept.insert(key.string()).second) return;
    }
    removeStaleTemporaries(folder);
}

int removeStaleTemporaries(const fs::path& folder) {
    int removed = 0;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return 0;
    for (const fs::directory_entry& entry : it) {
        const std::string name = entry.path().filename().string();
        std::optional<long long> pid = pidOfOurTemporary(name);
        if (!pid) pid = pidOfOldImageTemporary(name);
        const bool stale = pid ? processGone(*pid) : isOldStoreTemporary(name);
        if (!stale || !entry.is_regular_file(ec) || entry.is_symlink(ec)) continue;
        if (::unlink(entry.path().c_str()) == 0) ++removed;
    }
    return removed;
}

}  // namespace platform
