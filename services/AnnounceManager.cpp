// AnnounceManager: the checks, the download thread, the status file and the cache folder.
#include "services/AnnounceManager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>

#include "appbase/LogMessage.h"
#include "platform/dispatch/MainThread.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/FileIO.h"
#include "platform/foundation/StoredFile.h"
#include "platform/http/HttpBlockingLoad.h"
#include "platform/http/HttpUrl.h"
#include "platform/plist/PlistFile.h"
#include "platform/plist/PlistText.h"
#include "platform/runloop/RunLoop.h"
#include "platform/url/Url.h"
#include "services/AnnounceInfo.h"
#include "shell/AppDoor.h"
#include "shell/Crc32.h"
#include "shell/GameIdentity.h"

namespace {

constexpr const char* kLogName = "AnnounceManager";

// The checks' lines are debug lines, what went wrong with a check too: the server's trouble is
// nothing a player can act on, and the previous cache stays usable. Only the cache folder's own
// errors are errors.
void amLog(const std::string& text) {
    LogMessage(kLogName, 1, text);
}

std::string hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// Names under the reserved .invalid domain never resolve.
bool hasNoWebServer(const std::string& base) {
    std::optional<platform::Url> url = platform::Url::parse(base);
    return !url || platform::isReservedInvalidHost(url->host());
}

// Cache files are kept as every store is: atomically, private, and never through a link that leads
// out of the game's folders. A damaged one is simply fetched again, so nothing is set aside.
bool saveCacheFile(const std::filesystem::path& path, const std::string& body, std::size_t maxBytes) {
    platform::StoredSaveOptions options;
    options.mode = 0600;
    options.maxBytes = maxBytes;
    options.logName = kLogName;
    const platform::StoredSave saved = platform::saveStoredFile(path, body.data(), body.size(), options);
    if (saved.status == platform::StoredSave::Status::Failed) amLog("AM:save err:" + saved.error);
    return saved.ok();
}

bool isRegularFile(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

AnnounceManager& AnnounceManager::sharedAnnounceManager() {
    // Never destroyed: the process may end while the download thread still waits on the network,
    // and the HTTP layer it waits on is torn down with the other statics.
    static std::shared_ptr<AnnounceManager>* shared = new std::shared_ptr<AnnounceManager>(create());
    return **shared;
}

std::shared_ptr<AnnounceManager> AnnounceManager::create(Options options) {
    return std::shared_ptr<AnnounceManager>(new AnnounceManager(std::move(options)));
}

AnnounceManager::AnnounceManager(Options options)
    : options_(std::move(options)), gameId_(GameIdentity::kGameId) {}

void AnnounceManager::setAppCore(AppDoor* core) {
    appCore_ = core;
    if (core) gameId_ = core->gameId();
}

AnnounceManager::~AnnounceManager() {
    abort_ = true;
    {
        std::lock_guard<std::mutex> lock(shutdownLock_);
        shutdown_ = true;
    }
    if (downloadThread_.joinable()) downloadThread_.join();
}

double AnnounceManager::systemNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

double AnnounceManager::now() const {
    return options_.clock ? options_.clock() : systemNow();
}

bool AnnounceManager::isValidAmPropertyKey(const std::string& key) {
    return AnnounceInfo::isValidAmPropertyKey(key);
}

// --- checks

void AnnounceManager::startDownload() {
    ASSERT_MAIN_THREAD();
    if (downloadThread_.joinable()) {
        if (downloading_ && !isShutdown()) {
            amLog("AM:skip check (a check is running)");
            return;
        }
        // A thread told to shut down gives up its transfer at once; it ends before the flag clears.
        downloadThread_.join();
    }
    {
        std::lock_guard<std::mutex> lock(shutdownLock_);
        shutdown_ = false;
    }
    loadState();
    const double t = now();
    {
        std::lock_guard<std::mutex> lock(monitor_);
        if (previousCheckAt_ <= t && t < nextCheckAfter_) {
            amLog("AM:skip check");
            return;
        }
        previousCheckAt_ = t;
    }
    if (!appCore_) {
        amLog("AM:no app core; nothing to check");
        return;
    }
    if (!appCore_->aridAvailable()) {
        // The all-zero stand-in id would sign for every device that failed to make one.
        amLog("AM:no device account id; the check is tried again later");
        std::lock_guard<std::mutex> lock(monitor_);
        nextCheckAfter_ = t + kRetryAfterFailure;
        return;
    }
    if (hasNoWebServer(appCore_->iphoneWebUrl())) {
        // The built-in base URL names no server at all: there is nothing to ask.
        amLog("AM:no web server to check");
        return;
    }
    DownloadJob job{appCore_->linkIdentity(), cacheDirPath()};
    downloading_ = true;
    downloadThread_ =
        std::thread([this, job = std::move(job)]() mutable { downloadTaskMain(std::move(job)); });
}

void AnnounceManager::shutdown() {
    amLog("AM:shutdown");
    std::lock_guard<std::mutex> lock(shutdownLock_);
    shutdown_ = true;
}

bool AnnounceManager::isShutdown() const {
    std::lock_guard<std::mutex> lock(shutdownLock_);
    return shutdown_;
}

void AnnounceManager::waitForDownload() {
    if (downloadThread_.joinable()) downloadThread_.join();
}

bool AnnounceManager::waitForDownload(double seconds) {
    if (!downloadThread_.joinable()) return true;
    bool ended;
    {
        std::unique_lock<std::mutex> lock(downloadEndLock_);
        ended = downloadEnded_.wait_for(lock, std::chrono::duration<double>(std::max(seconds, 0.0)),
                                        [this] { return !downloading_.load(); });
    }
    if (ended) {
        downloadThread_.join();
        return true;
    }
    LogMessage(kLogName, 3,
               "AM:check not finished after " + std::to_string(static_cast<int>(std::ceil(seconds))) +
                   " s; going on without it");
    // The thread ends on its own once it notices; it is joined at the next check or at the end.
    shutdown();
    return false;
}

double AnnounceManager::nextCheckAfter() const {
    std::lock_guard<std::mutex> lock(monitor_);
    return nextCheckAfter_;
}

double AnnounceManager::previousCheckAt() const {
    std::lock_guard<std::mutex> lock(monitor_);
    return previousCheckAt_;
}

bool AnnounceManager::bannerIsDirty() const {
    std::lock_guard<std::mutex> lock(monitor_);
    return bannerIsDirty_;
}

void AnnounceManager::downloadTaskMain(DownloadJob job) {
    amLog("AM:start");
    doDownloadTasks(job);
    {
        std::lock_guard<std::mutex> lock(shutdownLock_);
        if (!shutdown_) saveState();
    }
    amLog("AM:end");
    {
        std::lock_guard<std::mutex> lock(downloadEndLock_);
        downloading_ = false;
    }
    downloadEnded_.notify_all();
}

std::optional<AnnounceManager::Download> AnnounceManager::downloadWithUrl(const std::string& url,
                                                                          std::size_t maxBytes) {
    platform::HttpRequest request;
    request.url = url;
    request.timeoutSeconds = kDownloadTimeout;
    request.maxBodyBytes = maxBytes;
    // Neither a cache on the way nor one of ours may answer for the server.
    request.headers.set("Cache-Control", "no-cache");
    platform::HttpConnection::Outcome outcome =
        platform::loadAndWait(std::move(request), [this] { return abort_.load() || isShutdown(); });
    if (outcome.error) {
        amLog("AM:download:err:" + outcome.error->message);
        return std::nullopt;
    }
    if (!outcome.response || outcome.response->status != 200) {
        amLog("AM:download:invalid status code:" +
              std::to_string(outcome.response ? outcome.response->status : 0));
        return std::nullopt;
    }
    if (std::optional<std::string> length = outcome.response->headers.get("Content-Length")) {
        if (*length != std::to_string(outcome.body.size())) {
            amLog("AM:download:invalid length");
            return std::nullopt;
        }
    }
    return Download{std::move(outcome.body), outcome.response->url.empty() ? url : outcome.response->url};
}

AnnounceManager::FileCmd AnnounceManager::processFileCmd(const platform::PlistArray& item) {
    FileCmd cmd;
    cmd.fname = item.getString(2);
    if (std::optional<std::string> crc = item.getString(3)) {
        // Eight hexadecimal digits, after blanks and a "0x" if any; text that is not is read as far
        // as it goes.
        std::string_view digits = *crc;
        while (!digits.empty() && (digits.front() == ' ' || digits.front() == '\t')) digits.remove_prefix(1);
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
            digits.remove_prefix(2);
        uint32_t value = 0;
        for (char c : digits) {
            int digit = (c >= '0' && c <= '9')   ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
            if (digit < 0) break;
            value = (value << 4) | static_cast<uint32_t>(digit);
        }
        cmd.crc32 = value;
    }
    if (cmd.fname) cmd.cacheFilename = *cmd.fname + "." + hex8(cmd.crc32);
    return cmd;
}

bool AnnounceManager::fetchFile(const DownloadJob& job, const std::string& base, const FileCmd& file) {
    const std::filesystem::path path = job.cacheDir / *file.cacheFilename;
    // A cached file counts only while its bytes still match: the folder may have been tampered with.
    platform::FileReadResult cached = platform::readWholeFile(path, kMaxFileBytes);
    if (cached.status == platform::FileReadResult::Status::Ok &&
        Crc32OfBytes(cached.bytes.data(), cached.bytes.size()) == file.crc32) {
        amLog("AM:cache hit:" + *file.cacheFilename);
        return true;
    }
    if (cached.status != platform::FileReadResult::Status::Missing) {
        amLog("AM:cache file damaged, fetched again:" + *file.cacheFilename);
    }
    std::optional<std::string> url = platform::resolveUrl(base, *file.fname);
    std::optional<Download> data = url ? downloadWithUrl(*url, kMaxFileBytes) : std::nullopt;
    if (!data) {
        amLog("AM:can't download " + (url ? *url : *file.fname));
        return false;
    }
    const uint32_t crc = Crc32OfBytes(data->body.data(), data->body.size());
    if (crc != file.crc32) {
        amLog("AM:checksum mismatch " + *file.fname + " " + hex8(crc));
        return false;
    }
    std::lock_guard<std::mutex> lock(shutdownLock_);
    if (shutdown_) return false;
    if (!saveCacheFile(path, data->body, kMaxFileBytes)) return false;
    amLog("AM:save to " + path.string());
    return true;
}

void AnnounceManager::doDownloadTasks(const DownloadJob& job) {
    const SignedLinks::Link link = SignedLinks::announce(job.identity, SignedLinks::linkTime(now()));
    amLog("plistURL: " + link.url);
    {
        std::lock_guard<std::mutex> lock(monitor_);
        nextCheckAfter_ = now() + kRetryAfterFailure;
    }
    std::optional<Download> list = downloadWithUrl(link.url, kMaxListBytes);
    if (!list) return;
    std::string why;
    platform::PlistNodePtr root = platform::parsePlistAnyFormat(list->body.data(), list->body.size(), &why);
    std::optional<platform::PlistArray> items;
    if (root && plist_get_node_type(root.get()) == PLIST_ARRAY)
        items = platform::PlistArray::adopt(root.release());
    if (!items) {
        amLog("AM:announce load err:" + (root ? std::string("the list is not an array") : why));
        return;
    }
    AnnounceInfo info;
    if (!info.parse(*items)) {
        amLog("AM:announce parse failure");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(monitor_);
        nextCheckAfter_ = now() + info.checkIntervalAfterFailure();
        amProperties_ = info.amProperties();
        popupAdInfo_ = info.popupAdInfo();
    }
    std::optional<std::string> base;
    if (info.fileUrlBase()) base = platform::resolveUrl(list->finalUrl, *info.fileUrlBase());
    if (!prepareCacheDir()) return;

    std::set<std::string> wanted = {kListFileName, kStatusFileName};
    for (const auto& [key, item] : info.files()) {
        if (isShutdown()) return;
        FileCmd file = processFileCmd(item);
        if (!file.fname || !base) {
            amLog("AM:can't download " + key);
            return;
        }
        wanted.insert(*file.cacheFilename);
        if (!fetchFile(job, *base, file)) return;
    }

    // The list's settings are known now (an empty set counts): the interstitial may be asked for,
    // however the storing below ends, once its locks are released.
    struct RequestInterstitial {
        AnnounceManager& manager;
        ~RequestInterstitial() {
            manager.postToMain([](AnnounceManager& main) { main.requestInterstitialAd(); });
        }
    } requestInterstitial{*this};
    std::lock_guard<std::mutex> fileLock(readFileLock_);
    std::lock_guard<std::mutex> lock(shutdownLock_);
    if (shutdown_) return;
    if (!saveCacheFile(job.cacheDir / kListFileName, list->body, kMaxListBytes)) return;
    {
        std::lock_guard<std::mutex> state(monitor_);
        nextCheckAfter_ = now() + info.checkIntervalAfterSuccess();
        bannerIsDirty_ = true;
    }
    amLog("AM:save announce");
    deleteUnwantedFiles(job.cacheDir, wanted);
}

void AnnounceManager::deleteUnwantedFiles(const std::filesystem::path& dir,
                                          const std::set<std::string>& wanted) const {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.' || wanted.count(name) > 0) continue;
        if (!isRegularFile(it->path())) continue;
        amLog("delete " + name);
        std::error_code removeError;
        std::filesystem::remove(it->path(), removeError);
    }
    if (ec) LogMessage(kLogName, 4, "AM:cannot list " + dir.string() + ": " + ec.message());
}

void AnnounceManager::postToMain(std::function<void(AnnounceManager&)> fn) {
    std::weak_ptr<AnnounceManager> weak = weak_from_this();
    platform::RunLoop::main().post([weak, fn = std::move(fn)] {
        if (std::shared_ptr<AnnounceManager> manager = weak.lock()) fn(*manager);
    });
}

// --- status and cache folder

std::string AnnounceManager::announceCmdUrl() const {
    return appCore_ ? appCore_->iphoneWebUrl() + "cmd/announce" : std::string();
}

void AnnounceManager::deleteCacheFiles() {
    std::lock_guard<std::mutex> fileLock(readFileLock_);
    std::lock_guard<std::mutex> lock(shutdownLock_);
    if (shutdown_) return;
    const std::filesystem::path dir = cacheDirPath();
    amLog("delete files in " + dir.string());
    deleteUnwantedFiles(dir, {});
    keepPopupAdDoneSerial();
}
