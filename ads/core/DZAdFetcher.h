#pragma once
// One HTTP fetch of ad content for an ad: builds the request (a bearer token only for trusted
// https hosts), reads the ad server's "x-zazo-" headers into the ad and into stored settings,
// decides the response type and gives its delegate exactly one answer, with an error code from
// the HTTP status on failure, and fails a fetch that outlives its request's time-out, redirects
// included. Used once. Main thread only.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZURLConnection.h"
#include "platform/foundation/Error.h"

class DZAd;
class DZAdFetcher;
class DZTiming;

class DZAdFetcherDelegate {
  public:
    virtual ~DZAdFetcherDelegate() = default;
    virtual void adFetcherDidFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad) = 0;
    virtual void adFetcherDidFailToFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad,
                                           platform::ErrorRef error, long responseCode) = 0;
};

class DZAdFetcher : public DZURLConnectionDelegate, public std::enable_shared_from_this<DZAdFetcher> {
  public:
    using Headers = std::map<std::string, std::string>;
    // The longest a fetch may take, redirects included, when its request asks for no less.
    static constexpr double kDefaultFetchTimeoutSeconds = 60;

    static std::shared_ptr<DZAdFetcher> create();
    ~DZAdFetcher() override;
    DZAdFetcher(const DZAdFetcher&) = delete;
    DZAdFetcher& operator=(const DZAdFetcher&) = delete;

    // Into a new empty ad, without given headers.
    bool fetchRequestURL(const std::optional<platform::HttpRequest>& request,
                         std::weak_ptr<DZAdFetcherDelegate> delegate, platform::ErrorRef* error = nullptr);
    // Fetches the ad's URL unless it already has HTML; then applies the given headers. The
    // request's parameter dictionary goes with the errors (null: no request).
    bool fetchRemainingContentForAd(const std::shared_ptr<DZAd>& ad, const std::optional<Headers>& headers,
                                    std::weak_ptr<DZAdFetcherDelegate> delegate,
                                    nlohmann::json requestParameters, platform::ErrorRef* error = nullptr);
    // The general fetch: true once started. A second call is refused (code 2).
    bool fetchRequestURL(const std::optional<platform::HttpRequest>& request,
                         std::weak_ptr<DZAdFetcherDelegate> delegate,
                         const std::optional<Headers>& responseHeaders, std::shared_ptr<DZAd> ad,
                         platform::ErrorRef* error = nullptr);
    // Forgets the delegate and stops the connection: nobody hears of this fetch again.
    void cancel();
    // Fetches that went to the network in this process so far (a headless run reports its own).
    static long long fetchesStarted();

    // Hosts trusted with the sign-in token: the stored list, else the ad server's host.
    static std::set<std::string> whitelistedDomains();
    // {"Authorization": "Bearer ..."} for an https URL of a trusted host when there is a token.
    std::optional<Headers> requestHeadersForURL(const std::string& url);
    // Applies response headers to the ad and carries out what they ask beyond it.
    void processHTTPHeaders(const Headers& headers);

    const std::shared_ptr<DZAd>& ad() const { return ad_; }

    // DZURLConnectionDelegate
    platform::ErrorRef connectionShouldRedirectToURL(DZURLConnection& connection,
                                                     const std::string& url) override;
    void connectionLoadDidReceiveRedirectResponse(DZURLConnection& connection,
                                                  const platform::HttpResponse& redirect) override;
    bool connectionLoadShouldUseCachedResponse(DZURLConnection& connection,
                                               const platform::HttpResponse& response) override;
    void connectionLoadDidReceiveCachedResponse(DZURLConnection& connection,
                                                const platform::HttpResponse& response) override;
    void connectionLoadDidFinish(DZURLConnection& connection, const std::optional<std::string>& body,
                                 const std::string& baseURL) override;
    void connectionLoadDidFail(DZURLConnection& connection, platform::ErrorRef error,
                               std::int32_t httpStatusCode) override;

  private:
    DZAdFetcher();
    void completedURLConnection();
    // Fails the fetch (as a time-out with no HTTP answer) when it has not ended after seconds.
    void armDeadline(double seconds);
    void resourceFailedToLoadWithError(platform::ErrorRef error, long responseCode);
    // The failure an HTTP status stands for.
    void failWithHTTPStatus(std::int32_t status, platform::ErrorRef underlying);

    bool hasStartedFetch_ = false;
    bool hasNotifiedDelegate_ = false;
    bool adConnectionHasCompleted_ = false;
    bool starting_ = false;
    std::int32_t lastStatus_ = 0;
    std::optional<std::string> signedInAdsToken_;
    std::shared_ptr<DZAd> ad_;
    nlohmann::json requestParameters_;
    std::weak_ptr<DZAdFetcherDelegate> delegate_;
    std::shared_ptr<DZTiming> timer_;
    std::shared_ptr<DZURLConnection> adConnection_;
};
