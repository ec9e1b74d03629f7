#include "platform/foundation/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace platform {

namespace {

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

}  // namespace

FileReadResult readWholeFile(const std::filesystem::path& path, size_t maxBytes) {
    FileReadResult result;
    FdCloser fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
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

bool writeFileAtomically(const std::filesystem::path& path, const void* data, size_t size, mode_t mode,
                         std::string* error) {
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    std::string temp = path.string() + ".XXXXXX";
    FdCloser fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        setError(error, errnoText("create temporary file"));
        return false;
    }
    auto fail = [&](const char* what) {
        setError(error, errnoText(what));
        ::close(fd.release());
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
    if (::fchmod(fd.get(), mode) != 0) return fail("fchmod");
    if (::fsync(fd.get()) != 0) return fail("fsync");
    if (::close(fd.release()) != 0) {
        setError(error, errnoText("close"));
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        setError(error, errnoText("rename"));
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; a folder that cannot be synced is no reason to fail.
    FdCloser dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return true;
}

}  // namespace platform
