#include "platform/foundation/AppPaths.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/foundation/FileIO.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAppFolder = "tikoleap";

// The home is set on the main thread (and by tests); any thread may ask for a folder (disk work
// runs on worker queues).
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

fs::path sharedTemporaryName() {
    fs::path root = "/tmp";
    if (auto tmp = absoluteEnv("TMPDIR")) root = *tmp;
    return root / (std::string(kAppFolder) + "-" + std::to_string(::getuid()));
}

fs::path sharedTemporaryDirectory() {
    const fs::path dir = sharedTemporaryName();
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

// The names of a path's parts; a trailing separator adds none.
std::vector<fs::path> partsOf(const fs::path& path) {
    std::vector<fs::path> parts;
    for (const fs::path& part : path) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

bool isWithin(const fs::path& inner, const fs::path& outer) {
    const std::vector<fs::path> in = partsOf(inner);
    const std::vector<fs::path> out = partsOf(outer);
    return out.size() <= in.size() && std::equal(out.begin(), out.end(), in.begin());
}

fs::path absoluteNormal(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    return (ec ? path : absolute).lexically_normal();
}

using EnvironmentChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

// What keepLibraryCachesInHome changed; pathsMutex().
EnvironmentChanges& environmentChanges() {
    static EnvironmentChanges changes;
    return changes;
}

}  // namespace

void AppPaths::keepLibraryCachesInHome() {
    const std::optional<fs::path> root = home();
    if (!root) return;
    const fs::path caches = cachesDirectory();
    std::lock_guard lock(pathsMutex());
    for (const char* name : {"XDG_CACHE_HOME", "MESA_SHADER_CACHE_DIR"}) {
        const char* before = ::getenv(name);
        auto& changes = environmentChanges();
        const bool known =
            std::any_of(changes.begin(), changes.end(), [&](const auto& c) { return c.first == name; });
        if (!known) changes.emplace_back(name, before ? std::optional<std::string>(before) : std::nullopt);
        ::setenv(name, caches.c_str(), 1);
    }
}

std::vector<std::pair<std::string, std::optional<std::string>>> AppPaths::changedEnvironment() {
    std::lock_guard lock(pathsMutex());
    return environmentChanges();
}

std::vector<fs::path> AppPaths::ownFolders() {
    if (auto root = home()) return {*root};
    std::vector<fs::path> folders{dataHome() / kAppFolder, cacheHome() / kAppFolder};
    // Someone else's folder under the shared name is not ours (sharedTemporaryDirectory avoids it).
    if (const fs::path shared = sharedTemporaryName(); isTrustedPrivateFolder(shared))
        folders.push_back(shared);
    std::lock_guard lock(pathsMutex());
    if (privateTemporaryFolder()) folders.push_back(*privateTemporaryFolder());
    return folders;
}

bool AppPaths::holds(const fs::path& path) {
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(absoluteNormal(path), ec);
    if (ec) return false;
    for (const fs::path& folder : ownFolders()) {
        const fs::path realFolder = fs::weakly_canonical(folder, ec);
        if (!ec && isWithin(real, realFolder)) return true;
    }
    return false;
}

bool AppPaths::namesInside(const fs::path& path) {
    const fs::path named = absoluteNormal(path);
    for (const fs::path& folder : ownFolders()) {
        if (isWithin(named, absoluteNormal(folder))) return true;
    }
    return false;
}

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
