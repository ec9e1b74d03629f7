#pragma once
// One URL fetched over HTTP into a file under the app's Caches folder, and revalidated later
// with a conditional request so that an unchanged resource is not downloaded again. The delegate
// hears the outcome and may stop at any redirect. Main thread only.
//
// The file lives in Caches/<host>/<name>: the host is reduced to letters, digits, "-", "_" and
// "." (never a leading "."), and the name is the SHA-256 of the URL's text in lowercase hex, so
// no URL can reach outside its folder and no two URLs share a file. A host's folder goes with its
// last file, and the first write in a process sweeps what earlier runs left behind.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/http/HttpConnection.h"

class DZCachedFile;

class DZCachedFileDelegate {
  public:
    virtual ~DZCachedFileDelegate() = default;
    // Nothing follows the redirect; an error stops the fetch.
    virtual platform::ErrorRef cachedFileShouldRedirectToURL(DZCachedFile& file, const std::string& url) = 0;
    // The file is current: saved now, or unchanged on the server.
    virtual void cachedFileDownloadDidEnd(DZCachedFile& file) = 0;
    virtual void cachedFileDownloadDidFail(DZCachedFile& file, platform::ErrorRef error) = 0;
};

class DZCachedFile : public std::enable_shared_from_this<DZCachedFile> {
  public:
    // Request cache policies: the protocol's own, and reload ignoring local cache data.
    static constexpr std::uint32_t kUseProtocolCachePolicy = 0;
    static constexpr std::uint32_t kReloadIgnoringLocalCacheData = 1;

    // Null for an empty URL.
    static std::shared_ptr<DZCachedFile> initWithURL(const std::string& url);
    // Stops a fetch in flight; the file stays.
    ~DZCachedFile();
    DZCachedFile(const DZCachedFile&) = delete;
    DZCachedFile& operator=(const DZCachedFile&) = delete;

    const std::filesystem::path& filePath();
    bool fileExists();
    // The file's modification date as "Sun, 06 Nov 1994 08:49:37" (no zone).
    std::optional<std::string> fileModificationRFC1123DateString();
    // The file read as UTF-8 text; nothing when it cannot be read or is not UTF-8.
    std::optional<std::string> contentAsString();

    // Start a fetch unless one runs; the cache buster appends "unique" to the URL.
    void validate();
    void validateWithCacheBuster();
    void beginFetchWithCacheBuster(bool cacheBuster);
    // Stops the fetch; the file stays.
    void cancel();
    // Stops the fetch and deletes the file, and its host's folder once that is empty.
    void invalidate();
    void cleanUpConnection();

    std::string description();

    static std::optional<platform::HttpHeaders> headersForResponse(const platform::HttpResponse* response);
    void saveHeadersFromResponse(const platform::HttpResponse* response);

    std::shared_ptr<DZCachedFileDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<DZCachedFileDelegate> delegate) { delegate_ = std::move(delegate); }
    const std::string& sourceURL() const { return sourceURL_; }
    void setSourceURL(std::string url) { sourceURL_ = std::move(url); }
    // Asked of every hop of the next fetches once connected (platform::HttpRequest::connectCheck).
    void setConnectCheck(std::function<bool(const platform::HttpConnectedHop& hop)> check) {
        connectCheck_ = std::move(check);
    }
    std::uint32_t cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(std::uint32_t policy) { cachePolicy_ = policy; }
    const std::string& HTTPDestinationURL() const { return HTTPDestinationURL_; }
    void setHTTPDestinationURL(std::string url) { HTTPDestinationURL_ = std::move(url); }
    std::int32_t HTTPStatusCode() const { return HTTPStatusCode_; }
    const std::optional<platform::HttpHeaders>& HTTPHeaders() const { return HTTPHeaders_; }
    bool isFetching() const { return connection_ != nullptr; }
    const std::optional<std::string>& receivedModificationDate() const { return receivedModificationDate_; }

    // Largest body kept; a larger one fails the fetch.
    static constexpr std::size_t kMaxFileBytes = 4u << 20;

  private:
    explicit DZCachedFile(std::string url);

    void willSendRequest(const platform::HttpResponse& redirect, const std::string& url, bool& follow);
    void processResponse(const platform::HttpResponse& response);
    void connectionDidFinish(std::string body);
    void connectionDidFail(const platform::HttpError& error);
    void saveDataToFile();

    std::optional<std::string> receivedData_;  // only while a fetch runs
    std::filesystem::path filePath_;
    std::weak_ptr<DZCachedFileDelegate> delegate_;
    std::string sourceURL_;
    std::uint32_t cachePolicy_ = kUseProtocolCachePolicy;
    std::function<bool(const platform::HttpConnectedHop& hop)> connectCheck_;
    std::string HTTPDestinationURL_;
    std::int32_t HTTPStatusCode_ = 0;
    std::optional<platform::HttpHeaders> HTTPHeaders_;
    std::shared_ptr<platform::HttpConnection> connection_;
    std::optional<std::string> receivedModificationDate_;
};
