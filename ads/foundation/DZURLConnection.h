#pragma once
// One HTTP load at a time for the ad fetcher: collects the body, follows redirects while keeping
// the final URL, reports to a delegate, and keeps a small process-wide memory cache of responses
// whose headers allow caching, so a repeated ad request can be answered without the network.
// Main thread only, like its memory cache.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/DZCachedURLResponse.h"
#include "ads/foundation/DZResponseCache.h"
#include "platform/foundation/Error.h"
#include "platform/http/HttpConnection.h"

class DZURLConnection;

class DZURLConnectionDelegate {
  public:
    virtual ~DZURLConnectionDelegate() = default;
    // Nothing allows the redirect; an error refuses it and fails the load.
    virtual platform::ErrorRef connectionShouldRedirectToURL(DZURLConnection& connection,
                                                             const std::string& url) = 0;
    virtual void connectionLoadDidReceiveRedirectResponse(DZURLConnection& connection,
                                                          const platform::HttpResponse& redirect) = 0;
    // Whether a cached response may answer this load and its result be cached.
    virtual bool connectionLoadShouldUseCachedResponse(DZURLConnection& connection,
                                                       const platform::HttpResponse& response) = 0;
    virtual void connectionLoadDidReceiveCachedResponse(DZURLConnection& connection,
                                                        const platform::HttpResponse& response) = 0;
    // body: the received bytes as UTF-8 text, nothing when they are not UTF-8.
    virtual void connectionLoadDidFinish(DZURLConnection& connection, const std::optional<std::string>& body,
                                         const std::string& baseURL) = 0;
    // status: the last response's HTTP status, -1 when there was none.
    virtual void connectionLoadDidFail(DZURLConnection& connection, platform::ErrorRef error,
                                       std::int32_t httpStatusCode) = 0;
};

class DZURLConnection : public std::enable_shared_from_this<DZURLConnection> {
  public:
    static constexpr std::size_t kMemoryCacheCountLimit = 25;

    static std::shared_ptr<DZURLConnection> create();
    ~DZURLConnection();
    DZURLConnection(const DZURLConnection&) = delete;
    DZURLConnection& operator=(const DZURLConnection&) = delete;

    // Starts a load (or answers it from the memory cache at once). False while a load runs (error
    // code 2 "Ignoring -- Currently loading <url>") and when the request cannot be sent at all
    // (the delegate hears the failure, and the connection stays idle).
    bool startWithRequestURL(const platform::HttpRequest& request,
                             std::weak_ptr<DZURLConnectionDelegate> delegate,
                             platform::ErrorRef* error = nullptr);
    // Stops the load and forgets its state; the delegate stays.
    void stop();
    // Forgets the delegate, then stops.
    void cancel();

    // The live cache entry for url; an expired one is removed.
    std::shared_ptr<DZCachedURLResponse> cachedResponseForURL(const std::string& url);
    // Caches the last response and body under the source URL when the response is a 2xx whose
    // headers give an expiration date not in the past.
    bool tryToStoreResponseAndData();

    static DZResponseCache& memoryCache();
    // MD5 (16 bytes) of host + path + the first "slotname" value when the query has one, else of
    // the whole URL, so two ad requests for the same slot share an entry.
    static std::string cacheKeyForURL(const std::string& url);
    static void clearCache();
    static std::filesystem::path defaultCachePath();

    bool isInProgress() const { return inProgress_; }
    bool allowCache() const { return allowCache_; }
    void setAllowCache(bool allow) { allowCache_ = allow; }
    const std::string& sourceURL() const { return sourceURL_; }
    void setSourceURL(std::string url) { sourceURL_ = std::move(url); }
    const std::string& destinationURL() const { return destinationURL_; }
    std::shared_ptr<DZURLConnectionDelegate> delegate() const { return delegate_.lock(); }
    const std::optional<platform::HttpResponse>& response() const { return response_; }
    const std::optional<std::string>& receivedData() const { return receivedData_; }

  private:
    DZURLConnection() = default;

    // Tells the delegate about a cache entry as if it had been loaded.
    void deliverCachedResponse(const DZCachedURLResponse& entry);
    bool willRedirect(const platform::HttpResponse& redirect, const std::string& url);
    void didReceiveResponse(const platform::HttpResponse& response);
    void didFinish(std::string body);
    void didFail(const platform::HttpError& error);

    bool inProgress_ = false;
    bool allowCache_ = false;
    std::string sourceURL_;
    std::string destinationURL_;
    std::weak_ptr<DZURLConnectionDelegate> delegate_;
    std::shared_ptr<platform::HttpConnection> connection_;
    std::optional<platform::HttpResponse> response_;
    std::optional<std::string> receivedData_;
};
