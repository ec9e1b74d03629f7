#include "ads/formats/signin/DZTokenDispenser.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <vector>

#include "ads/formats/signin/DZTokenService.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/foundation/DZWeakTargetAdditions.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/http/HttpConnection.h"
#include "platform/keychain/KeychainStore.h"

namespace {

// The refresh timer fires every 0.72 minimum lifespans, at most 0.18 late: a token is asked for
// again once less than 0.9 of the shortest lifespan is left of it.
constexpr double kRefreshHorizon = 0.9;
constexpr double kRefreshIntervalShare = 0.72;
constexpr double kRefreshToleranceShare = 0.18;

// The store's reads and writes, of every dispenser, in one order: a dispenser made after another
// one let go reads what that one wrote.
std::shared_ptr<platform::DispatchQueue> diskQueue() {
    static const auto* queue = new std::shared_ptr<platform::DispatchQueue>(
        platform::DispatchQueue::createSerial("ads.signin.store"));
    return *queue;
}

double systemNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

struct Shared {
    std::mutex mutex;
    std::shared_ptr<DZTokenDispenser> dispenser;
};

Shared& shared() {
    static auto* instance = new Shared();
    return *instance;
}

}  // namespace

std::shared_ptr<DZTokenDispenser> DZTokenDispenser::sharedInstance() {
    std::lock_guard lock(shared().mutex);
    if (!shared().dispenser) {
        shared().dispenser =
            create(DZTokenService::defaultEndpoint(), systemNow,
                   std::make_shared<platform::KeychainStore>(platform::KeychainStore::defaultFile()),
                   [] { return DZDevice::sharedInstance()->limitAdTracking(); });
    }
    return shared().dispenser;
}

std::shared_ptr<DZTokenDispenser> DZTokenDispenser::sharedInstanceIfMade() {
    std::lock_guard lock(shared().mutex);
    return shared().dispenser;
}

bool DZTokenDispenser::setSharedInstance(std::shared_ptr<DZTokenDispenser> dispenser) {
    std::lock_guard lock(shared().mutex);
    if (shared().dispenser) return false;
    shared().dispenser = std::move(dispenser);
    return true;
}

DZTokenDispenser::DZTokenDispenser(std::string endpoint, Clock clock,
                                   std::shared_ptr<platform::KeychainStore> store,
                                   TrackingLimited trackingLimited)
    : endpoint_(std::move(endpoint)),
      clock_(clock ? std::move(clock) : Clock(systemNow)),
      trackingLimited_(std::move(trackingLimited)),
      store_(std::make_shared<DZSignedInTokenStore>(std::move(store))),
      queue_(platform::DispatchQueue::createSerial("ads.signin.tokens")) {}

std::shared_ptr<DZTokenDispenser> DZTokenDispenser::create(std::string endpoint, Clock clock,
                                                           std::shared_ptr<platform::KeychainStore> store,
                                                           TrackingLimited trackingLimited) {
    std::shared_ptr<DZTokenDispenser> dispenser(new DZTokenDispenser(
        std::move(endpoint), std::move(clock), std::move(store), std::move(trackingLimited)));
    dispenser->start();
    return dispenser;
}

DZTokenDispenser::~DZTokenDispenser() {
    if (observer_ && signIn_) signIn_->removeChangeObserver(*observer_);
    std::lock_guard lock(mutex_);
    if (refreshTimer_) refreshTimer_->invalidate();
    // Connections are cancelled where they report: on the queue.
    if (!inFlight_.empty()) queue_->async([connections = std::move(inFlight_)] {});
}

void DZTokenDispenser::start() {
    std::weak_ptr<DZTokenDispenser> weak = weak_from_this();
    // The kept cache is read off the main loop, then taken in on the queue.
    diskQueue()->async([weak, store = store_, queue = queue_] {
        auto loaded = std::make_shared<Cache>(store->load());
        queue->async([weak, loaded] {
            if (auto self = weak.lock()) self->didLoad(std::move(*loaded));
        });
    });
    DZRunOnMainThread([weak] {
        auto self = weak.lock();
        if (!self) return;
        self->signIn_ = DZSignInLibrary::signInObject();
        if (self->signIn_) {
            self->observer_ = self->signIn_->addChangeObserver([weak] {
                if (auto again = weak.lock()) again->refreshSignedInUser();
            });
        }
        self->refreshSignedInUser();
    });
}

bool DZTokenDispenser::signedInAdsAllowed() const {
    return trackingLimited_ && !trackingLimited_() && DZSignedInUser::signedInAdsEnabled();
}

std::optional<std::string> DZTokenDispenser::token() {
    if (!signedInAdsAllowed()) return std::nullopt;
    std::lock_guard lock(mutex_);
    if (!currentUser_) return std::nullopt;
    const double now = clock_();
    if (auto it = cachedTokens_.find(*currentUser_);
        it != cachedTokens_.end() && it->second.expiration > now) {
        it->second.lastAccess = now;
        return it->second.token;
    }
    // Until the kept cache is in, a request might replace a token that is still good.
    if (!loaded_ || inFlight_.count(*currentUser_) || backingOff(*currentUser_, now)) return std::nullopt;
    inFlight_.emplace(*currentUser_, nullptr);
    std::weak_ptr<DZTokenDispenser> weak = weak_from_this();
    queue_->async([weak, user = *currentUser_] {
        if (auto self = weak.lock()) self->requestTokenForUser(user, true);
    });
    return std::nullopt;
}

void DZTokenDispenser::refreshToken(const std::string& token) {
    std::weak_ptr<DZTokenDispenser> weak = weak_from_this();
    queue_->async([weak, token] {
        if (auto self = weak.lock()) self->refused(token);
    });
}

void DZTokenDispenser::refreshSignedInUser() {
    // A library changing its user in a burst gets one read, on a later turn, for all the changes
    // made before it runs: the flag goes down before the read, so a later change is read too.
    if (userReadPending_.exchange(true)) return;
    std::weak_ptr<DZTokenDispenser> weak = weak_from_this();
    platform::DispatchQueue::main()->async([weak] {
        auto self = weak.lock();
        if (!self) return;
        self->userReadPending_ = false;
        auto user = DZSignedInUser::current();
        self->queue_->async([weak, user = std::move(user)] {
            if (auto again = weak.lock()) again->setCurrentUser(user);
        });
    });
}

void DZTokenDispenser::didLoad(Cache loaded) {
    std::optional<DZSignedInUser> user;
    {
        std::lock_guard lock(mutex_);
        // An answer that came in meanwhile is newer than what was kept.
        for (auto& [who, entry] : loaded) {
            if (cachedTokens_.count(who)) continue;
            entry.lifespanInSeconds = std::clamp(entry.lifespanInSeconds, kMinimumLifespan, kMaximumLifespan);
            setCacheEntry(who, entry);
        }
        loaded_ = true;
        user = currentUser_;
        // What is due is judged by the kept entries' own lifespans.
        rescheduleRefreshes();
    }
    refreshTokens();
    if (user) setCurrentUser(user);
}

void DZTokenDispenser::setCurrentUser(std::optional<DZSignedInUser> user) {
    bool request = false;
    {
        std::lock_guard lock(mutex_);
        const bool newlyCurrent = user && !(currentUser_ && *currentUser_ == *user);
        currentUser_ = user;
        if (!user) return;
        auto it = cachedTokens_.find(*user);
        if (it != cachedTokens_.end() && it->first.refreshToken() != user->refreshToken()) {
            // A new sign-in of the same user: the entry is kept under the user's new refresh token.
            DZTokenCacheEntry entry = it->second;
            removeCacheEntry(it);
            setCacheEntry(*user, std::move(entry));
            persist();
            it = cachedTokens_.find(*user);
        }
        // A user who becomes current gets what the last refresh would have asked for: the kept
        // cache may have been taken in, and refreshed, before the user was known. Later re-reads
        // of the same user leave due tokens to the timer.
        const double until = newlyCurrent ? clock_() + kRefreshHorizon * minLifespan_ : clock_();
        request = loaded_ && (it == cachedTokens_.end() || it->second.expiration <= until);
    }
    if (request) requestTokenForUser(*user);
}

void DZTokenDispenser::requestTokenForUser(const DZSignedInUser& user, bool reserved) {
    const bool may = !user.applicationID().empty() && !user.refreshToken().empty() && signedInAdsAllowed() &&
                     DZTokenService::mayCarryRefreshToken(endpoint_);
    // Requests given way to, cancelled as they go: after the lock is let go.
    std::vector<std::shared_ptr<platform::HttpConnection>> dropped;
    std::lock_guard lock(mutex_);
    const auto inFlight = inFlight_.find(user);
    // token() holds the user's place with an empty connection until this runs.
    const bool placeHeld = reserved && inFlight != inFlight_.end() && !inFlight->second;
    if (inFlight != inFlight_.end() && !placeHeld) return;
    if (!may || backingOff(user, clock_())) {
        if (placeHeld) inFlight_.erase(inFlight);
        return;
    }
    // Users passing through the sign-in library while the server is slow: the request of a user
    // no longer current gives way, so requests stay few and the current user is still served.
    while (inFlight_.size() - (placeHeld ? 1 : 0) >= kMaxRequestsInFlight) {
        const auto other = std::find_if(inFlight_.begin(), inFlight_.end(), [&](const auto& entry) {
            return !(entry.first == user) && !(currentUser_ && entry.first == *currentUser_);
        });
        if (other == inFlight_.end()) break;
        dropped.push_back(std::move(other->second));
        inFlight_.erase(other);
    }
    std::weak_ptr<DZTokenDispenser> weak = weak_from_this();
    auto failed = [weak, user] {
        if (auto self = weak.lock()) self->didFail(user);
    };
    platform::HttpConnection::Callbacks callbacks;
    // The refresh token is sent nowhere else than the endpoint.
    callbacks.willRedirect = [failed](const platform::HttpResponse&, const std::string&) {
        failed();
        return false;
    };
    // Both run on the queue, one after the other.
    auto status = std::make_shared<int>(0);
    callbacks.didReceiveResponse = [status](const platform::HttpResponse& response) {
        *status = response.status;
    };
    // The answer leaves the in-flight list in the same step as it fills the cache: between the two,
    // a token() call would find neither and ask again.
    callbacks.didFinish = [weak, user, status](std::string body) {
        if (auto self = weak.lock()) self->didAnswer(user, *status, body);
    };
    // After a transport error the next token() or refresh asks again, once the back-off has passed.
    callbacks.didFail = [failed](const platform::HttpError&) { failed(); };
    auto connection = platform::HttpConnection::create(
        std::move(callbacks), [queue = queue_](std::function<void()> fn) { queue->async(std::move(fn)); });
    platform::HttpRequest request;
    request.url = endpoint_;
    request.method = "POST";
    request.headers.set("Content-Type", "application/x-www-form-urlencoded");
    request.body = DZTokenService::formBody(user, DZTokenService::scopeForEndpoint(endpoint_));
    request.timeoutSeconds = kRequestTimeoutSeconds;
    request.maxBodyBytes = DZTokenService::kMaxAnswerBytes;
    if (connection->start(std::move(request))) {
        if (placeHeld) inFlight_.erase(user);
        backOff(user, clock_());
        return;
    }
    inFlight_.insert_or_assign(user, std::move(connection));
    ++tokenRequests_;
}

double DZTokenDispenser::lifespanFor(const std::optional<double>& expiresIn, bool othersCached) const {
    double lifespan = othersCached ? minLifespan_ : kDefaultLifespan;
    if (expiresIn) {
        const auto setting =
            platform::UserDefaults::standard()->doubleForKey(kDZMinimumSignedInTokenLifespanKey);
        const double floor = setting && std::isfinite(*setting) && *setting > 0 ? *setting : kMinimumLifespan;
        lifespan = std::max(*expiresIn, floor);
    }
    return std::clamp(lifespan, kMinimumLifespan, kMaximumLifespan);
}

void DZTokenDispenser::didAnswer(const DZSignedInUser& user, int status, const std::string& body) {
    // A failing server's body is no grant, whatever it holds: a proxy's or an overloaded
    // endpoint's error page may carry a stale or someone else's token.
    const auto answer = status >= 200 && status <= 299 ? DZTokenService::readAnswer(body) : std::nullopt;
    std::lock_guard lock(mutex_);
    inFlight_.erase(user);
    const double now = clock_();
    auto it = cachedTokens_.find(user);
    if (!answer) {
        backOff(user, now);
        // An error answer leaves a token that is still good until it expires.
        if (it != cachedTokens_.end() && it->second.expiration <= now) {
            removeCacheEntry(it);
            persist();
        }
        return;
    }
    backoff_.erase(user);
    const bool othersCached = cachedTokens_.size() > (it != cachedTokens_.end() ? 1u : 0u);
    const double lifespan = lifespanFor(answer->expiresIn, othersCached);
    // The current user's own copy has the newest refresh token.
    const DZSignedInUser owner = currentUser_ && *currentUser_ == user ? *currentUser_ : user;
    if (it != cachedTokens_.end()) removeCacheEntry(it);
    setCacheEntry(owner, DZTokenCacheEntry{answer->accessToken, now, now + lifespan, lifespan});
    rescheduleRefreshes();
    persist();
}

void DZTokenDispenser::didFail(const DZSignedInUser& user) {
    std::lock_guard lock(mutex_);
    inFlight_.erase(user);
    backOff(user, clock_());
}

void DZTokenDispenser::refreshTokens() {
    std::optional<DZSignedInUser> due;
    {
        std::lock_guard lock(mutex_);
        if (cachedTokens_.empty()) return;
        const double now = clock_();
        const double deadline = now + kRefreshHorizon * minLifespan_;
        bool dropped = false;
        for (auto it = cachedTokens_.begin(); it != cachedTokens_.end();) {
            auto next = std::next(it);
            if (currentUser_ && it->first == *currentUser_) {
                if (it->second.expiration < deadline) due = *currentUser_;
            } else if (it->second.expiration <= now) {
                // Another user (signed out, or signed in as someone else) is not refreshed: their
                // entry goes once it has expired.
                removeCacheEntry(it);
                dropped = true;
            }
            it = next;
        }
        if (dropped) persist();
        rescheduleRefreshes();
    }
    if (due) requestTokenForUser(*due);
}

void DZTokenDispenser::refused(const std::string& token) {
    std::optional<DZSignedInUser> user;
    {
        std::lock_guard lock(mutex_);
        const auto indexed = cachedTokenUsers_.find(token);
        if (indexed == cachedTokenUsers_.end()) return;
        user = indexed->second;
        if (currentUser_ && *currentUser_ == *user) user = currentUser_;
        if (auto it = cachedTokens_.find(*user); it != cachedTokens_.end()) removeCacheEntry(it);
        persist();
    }
    requestTokenForUser(*user);
}

bool DZTokenDispenser::backingOff(const DZSignedInUser& user, double now) const {
    const auto it = backoff_.find(user);
    return it != backoff_.end() && it->second.refreshToken == user.refreshToken() && now < it->second.until;
}

void DZTokenDispenser::backOff(const DZSignedInUser& user, double now) {
    auto it = backoff_.find(user);
    if (it == backoff_.end()) {
        // Users passing through the sign-in library: one of the others is forgotten first.
        if (backoff_.size() >= DZSignedInTokenStore::kMaxUsers) {
            const auto other = std::find_if(backoff_.begin(), backoff_.end(), [&](const auto& entry) {
                return !(currentUser_ && entry.first == *currentUser_);
            });
            backoff_.erase(other != backoff_.end() ? other : backoff_.begin());
        }
        it = backoff_.emplace(user, Backoff{}).first;
    }
    Backoff& backoff = it->second;
    backoff.delay = backoff.refreshToken == user.refreshToken()
                        ? std::min(std::max(2 * backoff.delay, kFirstRetryDelay), kMaxRetryDelay)
                        : kFirstRetryDelay;
    backoff.refreshToken = user.refreshToken();
    backoff.until = now + backoff.delay;
}

void DZTokenDispenser::setCacheEntry(const DZSignedInUser& user, DZTokenCacheEntry entry) {
    if (entry.token.empty()) return;
    if (auto it = cachedTokens_.find(user); it != cachedTokens_.end()) removeCacheEntry(it);
    cachedTokenUsers_.insert_or_assign(entry.token, user);
    cachedTokens_.emplace(user, std::move(entry));
    // A sign-in library may go through user after user: past the store's bound, the other user
    // handed a token longest ago goes.
    while (cachedTokens_.size() > DZSignedInTokenStore::kMaxUsers) {
        auto oldest = cachedTokens_.end();
        for (auto it = cachedTokens_.begin(); it != cachedTokens_.end(); ++it) {
            if (it->first == user || (currentUser_ && it->first == *currentUser_)) continue;
            if (oldest == cachedTokens_.end() || it->second.lastAccess < oldest->second.lastAccess)
                oldest = it;
        }
        if (oldest == cachedTokens_.end()) break;
        removeCacheEntry(oldest);
    }
}

void DZTokenDispenser::removeCacheEntry(Cache::iterator it) {
    // The reverse index forgets the token with its entry, so a later refusal of it cannot reach
    // a newer token of the same user.
    if (auto indexed = cachedTokenUsers_.find(it->second.token);
        indexed != cachedTokenUsers_.end() && indexed->second == it->first)
        cachedTokenUsers_.erase(indexed);
    cachedTokens_.erase(it);
}

void DZTokenDispenser::rescheduleRefreshes() {
    double smallest = kDefaultLifespan;
    if (!cachedTokens_.empty()) {
        smallest = kMaximumLifespan;
        for (const auto& [user, entry] : cachedTokens_)
            smallest = std::min(smallest, entry.lifespanInSeconds);
    }
    smallest = std::clamp(smallest, kMinimumLifespan, kMaximumLifespan);
    const bool wanted = !cachedTokens_.empty();
    if (wanted == (refreshTimer_ != nullptr) && smallest == minLifespan_) return;
    minLifespan_ = smallest;
    if (refreshTimer_) refreshTimer_->invalidate();
    refreshTimer_.reset();
    if (!wanted) return;
    std::weak_ptr<DZTokenDispenser> weak = weak_from_this();
    refreshTimer_ = dz_scheduledTimerWithTimeInterval(kRefreshIntervalShare * minLifespan_, true,
                                                      kRefreshToleranceShare * minLifespan_,
                                                      [weak](platform::MainLoopTimer&) {
                                                          auto self = weak.lock();
                                                          if (!self) return;
                                                          self->queue_->async([weak] {
                                                              if (auto again = weak.lock())
                                                                  again->refreshTokens();
                                                          });
                                                      });
}

void DZTokenDispenser::persist() {
    diskQueue()->async([store = store_, snapshot = cachedTokens_] { store->save(snapshot); });
}

double DZTokenDispenser::minLifespan() const {
    std::lock_guard lock(mutex_);
    return minLifespan_;
}

std::size_t DZTokenDispenser::tokenRequestsInFlight() const {
    std::lock_guard lock(mutex_);
    return inFlight_.size();
}

std::size_t DZTokenDispenser::cachedUserCount() const {
    std::lock_guard lock(mutex_);
    return cachedTokens_.size();
}

double DZTokenDispenser::refreshInterval() const {
    std::lock_guard lock(mutex_);
    return refreshTimer_ ? refreshTimer_->interval() : 0.0;
}

double DZTokenDispenser::refreshTolerance() const {
    std::lock_guard lock(mutex_);
    return refreshTimer_ ? refreshTimer_->tolerance() : 0.0;
}

bool DZTokenDispenser::flush(std::chrono::milliseconds timeout) const {
    auto done = std::make_shared<std::promise<void>>();
    auto future = done->get_future();
    diskQueue()->async([done] { done->set_value(); });
    return future.wait_for(timeout) == std::future_status::ready;
}
