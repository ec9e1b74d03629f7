#include "platform/foundation/AppPaths.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <system_error>

#include "platform/foundation/FileIO.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAppFolder = "tikoleap";

std::mutex& pathsMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<fs::path>& homeOverride() {
    static std::optional<fs::path> home;
    return home;
}

// A temporary folder made with mkdtemp when the shared one cannot be trusted; one per process.
std::optional<fs::path>& privateTemporaryFolder() {
    static std::optional<fs::path> folder;
    return folder;
}

// XDG variables only count when they hold an absolute path.
std::optional<fs::path> absoluteEnv(const char* name) {
    const char* value = ::getenv(name);
    if (!value || value[0] != '/') return std::nullopt;
    return fs::path(value);
}

fs::path userHome() {
    if (auto home = absoluteEnv("HOME")) return *home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
        return fs::path(pw->pw_dir);
    }
    return fs::path("/tmp");
}

fs::path dataHome() {
    if (auto dir = absoluteEnv("XDG_DATA_HOME")) return *dir;
    return userHome() / ".local" / "share";
}

fs::path cacheHome() {
    if (auto dir = absoluteEnv("XDG_CACHE_HOME")) return *dir;
    return userHome() / ".cache";
}

// Also clears out what runs killed mid-write left in the folder, once per process.
fs::path ensureDirectory(const fs::path& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        fs::create_directories(dir, ec);
        if (!ec) fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace, ec);
    }
    removeStaleTemporariesOnce(dir);
    return dir;
}

// The shared temporary root is writable by everyone, so the per-user folder in it is only used
// when it is a real directory (not a link) that we own and nobody else can write to.
bool isTrustedPrivateFolder(const fs::path& dir) {
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

fs::path sharedTemporaryDirectory() {
    fs::path root = "/tmp";
    if (auto tmp = absoluteEnv("TMPDIR")) root = *tmp;
    const fs::path dir = root / (std::string(kAppFolder) + "-" + std::to_string(::getuid()));
    (void)::mkdir(dir.c_str(), 0700);  // may exist already; the check below decides either way
    if (isTrustedPrivateFolder(dir)) return dir;

    std::lock_guard lock(pathsMutex());
    auto& folder = privateTemporaryFolder();
    if (!folder) {
        std::string pattern = dir.string() + "-XXXXXX";
        if (::mkdtemp(pattern.data())) {
            folder = fs::path(pattern);
        } else {
            return dir;
        }
    }
    return *folder;
}

}  // namespace

void AppPaths::setHome(const fs::path& dir) {
    std::lock_guard lock(pathsMutex());
    if (dir.empty()) {
        homeOverride().reset();
    } else {
        std::error_code ec;
        fs::path absolute = fs::absolute(dir, ec);
        homeOverride() = (ec ? dir : absolute).lexically_normal();
    }
}

std::optional<fs::path> AppPaths::home() {
    std::lock_guard lock(pathsMutex());
    return homeOverride();
}

fs::path AppPaths::documentsDirectory() {
    if (auto root = home()) return ensureDirectory(*root / "Documents");
    return ensureDirectory(dataHome() / kAppFolder / "Documents");
}

fs::path AppPaths::libraryDirectory() {
    if (auto root = home()) return ensureDirectory(*root / "Library");
    return ensureDirectory(dataHome() / kAppFolder / "Library");
}

fs::path AppPaths::cachesDirectory() {
    if (auto root = home()) return ensureDirectory(*root / "Caches");
    return ensureDirectory(cacheHome() / kAppFolder);
}

fs::path AppPaths::temporaryDirectory() {
    if (auto root = home()) return ensureDirectory(*root / "tmp");
    return sharedTemporaryDirectory();
}

}  // namespace platform
