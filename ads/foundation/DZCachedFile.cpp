#include "ads/foundation/DZCachedFile.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <system_error>

#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/foundation/DZURLErrors.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/FileIO.h"
#include "platform/foundation/StoredFile.h"
#include "platform/foundation/Utf8Text.h"
#include "platform/http/HttpDate.h"
#include "platform/http/HttpUrl.h"
#include "platform/url/Url.h"

namespace fs = std::filesystem;

namespace {

// Seconds between 1 January 1970 and 1 January 2001, the reference date of "absolute time".
constexpr double kReferenceDateOffset = 978307200.0;

std::string sha256Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
    static const char* kHex = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 0xf];
    }
    return out;
}

// A host as a folder name: only letters, digits, "-", "_" and "." survive (others become "_"),
// a leading "." becomes "_" (so neither "." nor ".." nor a hidden name), and the length is capped.
std::string folderNameForHost(const std::string& host) {
    if (host.empty()) return "@local";
    std::string out;
    for (char c : host.substr(0, 200)) {
        const auto u = static_cast<unsigned char>(c);
        out +=
            (std::isalnum(u) || c == '-' || c == '_' || c == '.') ? static_cast<char>(std::tolower(u)) : '_';
    }
    if (out.front() == '.') out.front() = '_';
    return out;
}

bool isHostFolderName(const std::string& name) {
    if (name == "@local") return true;
    if (name.empty() || name.size() > 200 || name.front() == '.') return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (!(std::islower(u) || std::isdigit(u) || c == '-' || c == '_' || c == '.')) return false;
    }
    return true;
}

bool isDigestName(const std::string& name) {
    return name.size() == 64 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Entries looked at in one sweep, so a cache folder left huge costs a bounded pause and shrinks
// over the next launches.
constexpr std::size_t kMaxSweptEntries = 4096;

// A host's folder that outlived its files (a crash between writing and deleting, or a build that
// kept empty folders) holds nothing any fetch reads again. Only digest-named entries inside
// host-named folders go, links as links (never what they point at), and a folder only once empty,
// so what other libraries keep in the same cache folder is never touched.
void sweepLeftovers(const fs::path& caches) {
    std::error_code ec;
    std::size_t seen = 0;
    for (fs::directory_iterator it(caches, ec), end; !ec && it != end && seen < kMaxSweptEntries;
         it.increment(ec)) {
        ++seen;
        const fs::path folder = it->path();
        std::error_code kind;
        if (!isHostFolderName(folder.filename().string()) ||
            !fs::is_directory(fs::symlink_status(folder, kind)))
            continue;
        std::error_code inner;
        for (fs::directory_iterator file(folder, inner); !inner && file != end && seen < kMaxSweptEntries;
             file.increment(inner)) {
            ++seen;
            const fs::file_status status = fs::symlink_status(file->path(), kind);
            if (isDigestName(file->path().filename().string()) &&
                (fs::is_regular_file(status) || fs::is_symlink(status)))
                fs::remove(file->path(), kind);
        }
        fs::remove(folder, kind);  // only when it is empty
    }
}

// The cache folder swept last, so each folder is swept once per process before its first write.
fs::path& sweptCaches() {
    static fs::path swept;
    return swept;
}

}  // namespace

std::shared_ptr<DZCachedFile> DZCachedFile::initWithURL(const std::string& url) {
    if (url.empty()) return nullptr;
    return std::shared_ptr<DZCachedFile>(new DZCachedFile(url));
}

DZCachedFile::DZCachedFile(std::string url) : sourceURL_(url), HTTPDestinationURL_(std::move(url)) {}

DZCachedFile::~DZCachedFile() {
    if (connection_) connection_->cancel();
}

const fs::path& DZCachedFile::filePath() {
    if (filePath_.empty()) {
        auto parts = platform::parseUrl(sourceURL_);
        const fs::path caches = platform::AppPaths::cachesDirectory();
        if (!caches.empty())
            filePath_ = caches / folderNameForHost(parts ? parts->host : "") / sha256Hex(sourceURL_);
    }
    return filePath_;
}

bool DZCachedFile::fileExists() {
    std::error_code ec;
    return !filePath().empty() && fs::exists(filePath(), ec);
}

std::optional<std::string> DZCachedFile::fileModificationRFC1123DateString() {
    struct stat st {};
    if (filePath().empty() || ::stat(filePath().c_str(), &st) != 0) return std::nullopt;
    return platform::formatZonelessHttpDate(std::chrono::system_clock::from_time_t(st.st_mtim.tv_sec));
}

std::optional<std::string> DZCachedFile::contentAsString() {
    if (filePath().empty()) return std::nullopt;
    platform::FileReadResult read = platform::readWholeFile(filePath(), kMaxFileBytes);
    if (read.status != platform::FileReadResult::Status::Ok) return std::nullopt;
    std::string text(read.bytes.begin(), read.bytes.end());
    if (!platform::isValidUtf8(text)) return std::nullopt;
    return text;
}

void DZCachedFile::validate() {
    if (!connection_) beginFetchWithCacheBuster(false);
}

void DZCachedFile::validateWithCacheBuster() {
    if (!connection_) beginFetchWithCacheBuster(true);
}

void DZCachedFile::beginFetchWithCacheBuster(bool cacheBuster) {
    std::string url = sourceURL_;
    if (cacheBuster) {
        const double now =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
        char unique[32];
        std::snprintf(unique, sizeof unique, "%.0f", now - kReferenceDateOffset);
        if (auto base = dz_URLWithString(url)) {
            if (auto busted = dz_appendQueryValue(*base, std::string(unique), "unique")) url = busted->text();
        }
        cachePolicy_ = kReloadIgnoringLocalCacheData;
    }
    platform::HttpRequest request;
    request.url = url;
    request.cookies = true;
    request.maxBodyBytes = kMaxFileBytes;
    request.userAgent = DZDevice::sharedInstance()->userAgentString();
    request.connectCheck = connectCheck_;
    if (auto date = fileModificationRFC1123DateString()) request.headers.set("If-Modified-Since", *date);

    std::weak_ptr<DZCachedFile> weak = weak_from_this();
    platform::HttpConnection::Callbacks callbacks;
    callbacks.willRedirect = [weak](const platform::HttpResponse& redirect, const std::string& target) {
        auto self = weak.lock();
        bool follow = false;
        if (self) self->willSendRequest(redirect, target, follow);
        return follow;
    };
    callbacks.didReceiveResponse = [weak](const platform::HttpResponse& response) {
        if (auto self = weak.lock()) self->processResponse(response);
    };
    callbacks.didFinish = [weak](std::string body) {
        if (auto self = weak.lock()) self->connectionDidFinish(std::move(body));
    };
    callbacks.didFail = [weak](const platform::HttpError& error) {
        if (auto self = weak.lock()) self->connectionDidFail(error);
    };
    auto connection = platform::HttpConnection::create(std::move(callbacks));
    HTTPDestinationURL_ = url;
    if (auto error = connection->start(std::move(request))) {
        // Nothing could be sent at all: the fetch never starts, and the delegate hears why.
        if (auto d = delegate()) d->cachedFileDownloadDidFail(*this, dz_errorForHttpError(*error));
        return;
    }
    receivedData_ = std::string();
    connection_ = std::move(connection);
}

void DZCachedFile::willSendRequest(const platform::HttpResponse& redirect, const std::string& url,
                                   bool& follow) {
    HTTPDestinationURL_ = url;
    HTTPHeaders_ = redirect.headers;
    follow = true;
    auto d = delegate();
    if (!d) return;
    if (platform::ErrorRef error = d->cachedFileShouldRedirectToURL(*this, url)) {
        follow = false;
        cleanUpConnection();
        d->cachedFileDownloadDidFail(*this, error);
    }
}

void DZCachedFile::processResponse(const platform::HttpResponse& response) {
    HTTPStatusCode_ = response.status;
    HTTPHeaders_ = response.headers;
    if (response.status == 304) {
        cleanUpConnection();
        if (auto d = delegate()) d->cachedFileDownloadDidEnd(*this);
        return;
    }
    if (response.status == 200) {
        receivedModificationDate_ = response.headers.get("Last-Modified");
        if (receivedModificationDate_) {
            if (auto gmt = receivedModificationDate_->find("GMT"); gmt != std::string::npos) {
                receivedModificationDate_->resize(gmt);
            }
        }
    } else {
        cleanUpConnection();
        if (auto d = delegate()) d->cachedFileDownloadDidFail(*this, nullptr);
        return;
    }
    if (receivedData_) receivedData_->clear();
}

void DZCachedFile::connectionDidFinish(std::string body) {
    receivedData_ = std::move(body);
    saveDataToFile();
    cleanUpConnection();
}

void DZCachedFile::connectionDidFail(const platform::HttpError& error) {
    cleanUpConnection();
    if (auto d = delegate()) d->cachedFileDownloadDidFail(*this, dz_errorForHttpError(error));
}

void DZCachedFile::saveDataToFile() {
    const fs::path& path = filePath();
    if (const fs::path caches = path.parent_path().parent_path(); !path.empty() && sweptCaches() != caches) {
        sweptCaches() = caches;
        sweepLeftovers(caches);
    }
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const std::string data = receivedData_.value_or(std::string());
    platform::StoredSaveOptions options;
    options.mode = 0600;
    options.maxBytes = kMaxFileBytes;
    options.logName = "DZCachedFile::saveDataToFile";
    platform::StoredSave saved = platform::saveStoredFile(path, data.data(), data.size(), options);
    if (!saved.ok()) {
        if (auto d = delegate()) {
            d->cachedFileDownloadDidFail(*this, dz_errorForFileWrite(path, saved.error));
        }
        return;
    }
    // The server's Last-Modified becomes the file's date before anyone hears of the file, so the
    // next validation sends it back as If-Modified-Since.
    if (receivedModificationDate_ && !receivedModificationDate_->empty()) {
        if (auto date = platform::parseZonelessHttpDate(*receivedModificationDate_)) {
            struct timespec times[2];
            times[0].tv_sec = std::chrono::system_clock::to_time_t(*date);
            times[0].tv_nsec = 0;
            times[1] = times[0];
            ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
    }
    receivedModificationDate_.reset();
    if (auto d = delegate()) d->cachedFileDownloadDidEnd(*this);
}

void DZCachedFile::cancel() {
    cleanUpConnection();
}

void DZCachedFile::invalidate() {
    cleanUpConnection();
    std::error_code ec;
    if (filePath().empty()) return;
    fs::remove(filePath(), ec);
    // Every host a page pings would otherwise leave its folder behind for good.
    fs::remove(filePath().parent_path(), ec);  // only when it is empty
}

void DZCachedFile::cleanUpConnection() {
    if (connection_) connection_->cancel();
    connection_.reset();
    receivedData_.reset();
    receivedModificationDate_.reset();
}

std::string DZCachedFile::description() {
    char head[96];
    std::snprintf(head, sizeof head, "<DZCachedFile: %p> HTTP code: %ld", static_cast<const void*>(this),
                  static_cast<long>(HTTPStatusCode_));
    return std::string(head) + "\n\turl: " + sourceURL_ + "\n\tfile: " + filePath().string();
}

std::optional<platform::HttpHeaders> DZCachedFile::headersForResponse(
    const platform::HttpResponse* response) {
    if (!response) return std::nullopt;
    return response->headers;
}

void DZCachedFile::saveHeadersFromResponse(const platform::HttpResponse* response) {
    HTTPHeaders_ = headersForResponse(response);
}
