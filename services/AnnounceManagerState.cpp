// Where the announce manager keeps its cache and the status of its last check: a private folder
// of the game's, and a status file that says which web server the cache came from.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "appbase/LogMessage.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/FileIO.h"
#include "platform/foundation/StoredFile.h"
#include "platform/plist/PlistFile.h"
#include "platform/plist/PlistText.h"
#include "services/AnnounceManager.h"
#include "shell/AppDoor.h"

namespace {

constexpr const char* kLogName = "AnnounceManager";
// The status file's record of the web base URL that answered.
constexpr const char* kWebUrlKey = "webBaseUrl";

}  // namespace

std::filesystem::path AnnounceManager::cacheDirPath() const {
    const std::filesystem::path temporary = options_.temporaryDirectory.empty()
                                                ? platform::AppPaths::temporaryDirectory()
                                                : options_.temporaryDirectory;
    const int gameId = gameId_.load();
    return temporary / (std::string(kCacheDirPrefix) + "_" + std::to_string(gameId));
}

std::filesystem::path AnnounceManager::statusFilePath() const {
    return cacheDirPath() / kStatusFileName;
}

std::optional<std::filesystem::path> AnnounceManager::prepareCacheDir() const {
    const std::filesystem::path dir = cacheDirPath();
    std::error_code ec;
    std::filesystem::create_directories(dir.parent_path(), ec);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        LogMessage(kLogName, 4, "AM:cannot make " + dir.string() + ": " + std::strerror(errno));
        return std::nullopt;
    }
    // Only a real folder of this user's, closed to everyone else, holds the cache: never a link
    // that someone else planted, never a folder others can write into.
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        LogMessage(kLogName, 4, "AM:" + dir.string() + " is not a private folder of this user's");
        return std::nullopt;
    }
    if ((st.st_mode & 0777) != 0700 && ::chmod(dir.c_str(), 0700) != 0) {
        LogMessage(kLogName, 4, "AM:cannot close " + dir.string() + ": " + std::strerror(errno));
        return std::nullopt;
    }
    return dir;
}

void AnnounceManager::saveState() {
    std::optional<std::filesystem::path> dir = prepareCacheDir();
    if (!dir) return;
    platform::PlistDict dict;
    {
        std::lock_guard<std::mutex> lock(monitor_);
        dict.setReal("nextCheckAfter", nextCheckAfter_);
        dict.setReal("previousCheckAt", previousCheckAt_);
        if (amProperties_) {
            platform::PlistDict properties;
            for (const auto& [key, value] : *amProperties_) properties.setString(key, value);
            dict.setDict("amProperties", std::move(properties));
        }
        if (popupAdInfo_) dict.setArray("popupAdInfo", *popupAdInfo_);
        dict.setInt("popupAdDoneSerial", popupAdDoneSerial_);
        if (!stateWebUrl_.empty()) dict.setString(kWebUrlKey, stateWebUrl_);
    }
    writeStatus(*dir, dict);
}

void AnnounceManager::writeStatus(const std::filesystem::path& dir, const platform::PlistDict& status) {
    // A refusal has been warned of by the file layer already; this debug line only adds the reason.
    std::string error;
    if (platform::savePlistDictionaryFile(dir / kStatusFileName, status, 0600, &error) !=
        platform::StoredSave::Status::Saved) {
        LogMessage(kLogName, 1, "AM:state save err:" + error);
    }
}

void AnnounceManager::keepPopupAdDoneSerial() {
    platform::PlistDict dict;
    {
        std::lock_guard<std::mutex> lock(monitor_);
        if (popupAdDoneSerial_ == 0) return;
        dict.setInt("popupAdDoneSerial", popupAdDoneSerial_);
        if (!stateWebUrl_.empty()) dict.setString(kWebUrlKey, stateWebUrl_);
    }
    if (std::optional<std::filesystem::path> dir = prepareCacheDir()) writeStatus(*dir, dict);
}

void AnnounceManager::loadState() {
    const std::filesystem::path path = statusFilePath();
    if (!prepareCacheDir()) return;
    // Without an app core there is no server to tell apart: what is kept is taken as it is.
    const std::optional<std::string> webUrl =
        appCore_ ? std::optional<std::string>(appCore_->iphoneWebUrl()) : std::nullopt;
    std::string error;
    std::optional<platform::PlistDict> dict = platform::readPlistDictionaryFile(path, &error);
    if (!dict) {
        // Missing: nothing changes. Unreadable: the file is kept aside at the next save.
        if (!error.empty()) LogMessage(kLogName, 1, "AM:state load err:" + error);
        if (webUrl) {
            std::lock_guard<std::mutex> lock(monitor_);
            stateWebUrl_ = *webUrl;
        }
        return;
    }
    if (webUrl && dict->getString(kWebUrlKey) != webUrl) {
        // Another server's list, files, settings and check times say nothing about this one's: a
        // player who points the game at a new server sees that server's announcements at once.
        // What the player has seen stays seen: the pop-up's serial is the player's, not the server's.
        LogMessage(kLogName, 1, "AM:the cache is of another web server; starting afresh");
        {
            std::lock_guard<std::mutex> lock(monitor_);
            loadPopupAdDoneSerial(*dict);
        }
        forgetState(*webUrl);
        return;
    }
    std::lock_guard<std::mutex> lock(monitor_);
    if (std::optional<double> v = dict->getReal("nextCheckAfter"); v && std::isfinite(*v))
        nextCheckAfter_ = *v;
    if (std::optional<double> v = dict->getReal("previousCheckAt"); v && std::isfinite(*v))
        previousCheckAt_ = *v;
    if (std::optional<platform::PlistDict> properties = dict->getDict("amProperties")) {
        std::map<std::string, std::string> values;
        for (const std::string& key : properties->keys()) {
            if (std::optional<std::string> value = properties->getString(key)) values[key] = *value;
        }
        amProperties_ = std::move(values);
    }
    if (std::optional<platform::PlistArray> popup = dict->getArray("popupAdInfo"))
        popupAdInfo_ = std::move(*popup);
    loadPopupAdDoneSerial(*dict);
}

void AnnounceManager::loadPopupAdDoneSerial(const platform::PlistDict& status) {
    // Only a serial a pop-up can have counts: one cut into range would mark another pop-up seen.
    std::optional<int64_t> serial = status.getInt("popupAdDoneSerial");
    if (serial && *serial >= INT32_MIN && *serial <= INT32_MAX)
        popupAdDoneSerial_ = static_cast<int>(*serial);
}

void AnnounceManager::forgetState(const std::string& webUrl) {
    std::lock_guard<std::mutex> fileLock(readFileLock_);
    std::lock_guard<std::mutex> lock(shutdownLock_);
    {
        std::lock_guard<std::mutex> state(monitor_);
        nextCheckAfter_ = 0;
        previousCheckAt_ = 0;
        amProperties_.reset();
        popupAdInfo_.reset();
        bannerIsDirty_ = true;
        stateWebUrl_ = webUrl;
    }
    if (shutdown_) return;
    deleteUnwantedFiles(cacheDirPath(), {});
    // A launch that checks nothing (no web server) saves nothing later.
    keepPopupAdDoneSerial();
}
