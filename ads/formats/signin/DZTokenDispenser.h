#pragma once
// Hands ad requests the signed-in user's access token. It trades the user's refresh token for
// access tokens at the sign-in service's token endpoint, caches them per user across launches
// (DZSignedInTokenStore) and refreshes them before they expire, on a repeating timer of the main
// loop.
//
// Threads: token() is called from the request path (main loop and worker queues) and never
// waits for the network or the disk: it reads the cache under a lock held only for memory work,
// and hands anything more to the dispenser's serial queue. Token answers, refreshes, user changes
// and refused tokens run on that queue; the store is read and written on a queue of its own.
// At most one token request per user is in flight, and a user whose request failed is not asked
// for again before a back-off has passed.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ads/formats/signin/DZSignInLibrary.h"
#include "ads/formats/signin/DZSignedInTokenStore.h"
#include "ads/formats/signin/DZSignedInUser.h"
#include "ads/formats/signin/DZTokenCacheEntry.h"

namespace platform {
class DispatchQueue;
class HttpConnection;
class KeychainStore;
class MainLoopTimer;
}  // namespace platform

inline const std::string kDZMinimumSignedInTokenLifespanKey =
    "/rerive/ads/minimum_signed_in_ads_token_lifespan";

class DZTokenDispenser : public std::enable_shared_from_this<DZTokenDispenser> {
  public:
    // Wall-clock seconds since 1970.
    using Clock = std::function<double()>;
    // True while the device limits ad tracking (no signed-in ads then).
    using TrackingLimited = std::function<bool()>;

    // No token lives shorter than this, whatever the server says: a shorter one would make the
    // refresh timer fire in a storm.
    static constexpr double kMinimumLifespan = 60.0;
    static constexpr double kDefaultLifespan = 3600.0;
    // A longer "expires_in" is taken as this, so that dates stay finite.
    static constexpr double kMaximumLifespan = 30.0 * 24 * 3600;
    static constexpr double kRequestTimeoutSeconds = 60.0;
    // Token requests at once, whatever the number of users passing through the sign-in library.
    static constexpr std::size_t kMaxRequestsInFlight = 4;
    // After a failed request (refused, unreadable, redirected or not answered) the user's next one
    // waits this long, doubled at each failure in a row up to the cap; a token, or a new sign-in
    // (another refresh token), ends the back-off.
    static constexpr double kFirstRetryDelay = 1.0;
    static constexpr double kMaxRetryDelay = 300.0;

    // The process's dispenser: the ad server's token endpoint, the system clock, the default
    // keychain file and the device's tracking setting. Made once, at the first call.
    static std::shared_ptr<DZTokenDispenser> sharedInstance();
    // The shared one if it has been made, else nothing (the request path does not make it).
    static std::shared_ptr<DZTokenDispenser> sharedInstanceIfMade();
    // Makes dispenser the shared one (tools that choose their own sources); false once one is made.
    static bool setSharedInstance(std::shared_ptr<DZTokenDispenser> dispenser);

    // Starts reading the kept cache and, on the main thread, follows the sign-in library's user.
    static std::shared_ptr<DZTokenDispenser> create(std::string endpoint, Clock clock,
                                                    std::shared_ptr<platform::KeychainStore> store,
                                                    TrackingLimited trackingLimited);
    ~DZTokenDispenser();
    DZTokenDispenser(const DZTokenDispenser&) = delete;
    DZTokenDispenser& operator=(const DZTokenDispenser&) = delete;

    // The current user's unexpired access token, when signed-in ads are allowed; without one, a
    // token request starts (unless one is in flight) and nothing is returned. Any thread.
    std::optional<std::string> token();
    // The server refused this token: it is dropped and its user's next one asked for.
    void refreshToken(const std::string& token);
    // Reads the signed-in user again (new server constants, a change in the sign-in library).
    void refreshSignedInUser();

    // Signed-in ads switched on by the server and ad tracking not limited.
    bool signedInAdsAllowed() const;
    double minLifespan() const;
    // The refresh timer's interval and tolerance; 0 while there is no timer (empty cache).
    double refreshInterval() const;
    double refreshTolerance() const;
    // Token requests sent so far.
    int tokenRequests() const { return tokenRequests_.load(); }
    std::size_t tokenRequestsInFlight() const;
    // Users with a cached token.
    std::size_t cachedUserCount() const;
    // Waits until what was handed to the store so far has been written (or read); false on time-out.
    bool flush(std::chrono::milliseconds timeout) const;

  private:
    using Cache = DZSignedInTokenStore::Cache;

    DZTokenDispenser(std::string endpoint, Clock clock, std::shared_ptr<platform::KeychainStore> store,
                     TrackingLimited trackingLimited);
    void start();
    // All of the following run on queue_.
    void didLoad(Cache loaded);
    void setCurrentUser(std::optional<DZSignedInUser> user);
    // reserved: token() has held the user's place in inFlight_.
    void requestTokenForUser(const DZSignedInUser& user, bool reserved = false);
    // status: the HTTP status; only a 2xx answer gives a token.
    void didAnswer(const DZSignedInUser& user, int status, const std::string& body);
    // The request ended with no answer to read (transport error, redirect).
    void didFail(const DZSignedInUser& user);
    void refreshTokens();
    void refused(const std::string& token);
    // With mutex_ held.
    bool backingOff(const DZSignedInUser& user, double now) const;
    void backOff(const DZSignedInUser& user, double now);
    void setCacheEntry(const DZSignedInUser& user, DZTokenCacheEntry entry);
    void removeCacheEntry(Cache::iterator it);
    void rescheduleRefreshes();
    void persist();
    // The lifespan an answer gives.
    double lifespanFor(const std::optional<double>& expiresIn, bool othersCached) const;

    const std::string endpoint_;
    const Clock clock_;
    const TrackingLimited trackingLimited_;
    std::shared_ptr<DZSignedInTokenStore> store_;
    std::shared_ptr<platform::DispatchQueue> queue_;
    std::shared_ptr<DZRIDSignIn> signIn_;  // main thread
    std::optional<DZRIDSignIn::ObserverID> observer_;

    mutable std::mutex mutex_;
    Cache cachedTokens_;                                                            // mutex_
    std::map<std::string, DZSignedInUser> cachedTokenUsers_;                        // mutex_
    std::optional<DZSignedInUser> currentUser_;                                     // mutex_
    std::map<DZSignedInUser, std::shared_ptr<platform::HttpConnection>> inFlight_;  // mutex_
    struct Backoff {
        std::string refreshToken;  // the one that failed
        double delay = 0;
        double until = 0;
    };
    std::map<DZSignedInUser, Backoff> backoff_;              // mutex_
    double minLifespan_ = kDefaultLifespan;                  // mutex_
    bool loaded_ = false;                                    // mutex_
    std::shared_ptr<platform::MainLoopTimer> refreshTimer_;  // mutex_
    std::atomic<int> tokenRequests_{0};
    std::atomic<bool> userReadPending_{false};
};
