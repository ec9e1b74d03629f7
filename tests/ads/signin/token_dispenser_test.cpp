// The token dispenser against the local token endpoint, on the virtual clock: lifespans, the
// refresh timer, restarts, one request per user, error answers, refused tokens, other users and
// the switches that turn signed-in ads off.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ads/core/DZAdCoreHooks.h"
#include "ads/core/DZAdFetcher.h"
#include "ads/core/DZAdServer.h"
#include "ads/formats/signin/DZFakeSignIn.h"
#include "ads/formats/signin/DZIDToken.h"
#include "ads/formats/signin/DZSignedInTokenStore.h"
#include "ads/formats/signin/DZTokenDispenser.h"
#include "ads/formats/signin/DZTokenService.h"
#include "ads/foundation/AdsTestHome.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/keychain/KeychainStore.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

namespace {

// Wall-clock seconds at the loop's time 0.
constexpr double kEpoch = 1.7e9;
const std::string kIssuer = "https://accounts.tikoleap.test";

class SignedInTokens : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.start(0, ""));
        signIn_->setClientID("tikoleap-client");
        signIn("player-1", "tikoleap-refresh");
        platform::UserDefaults::standard()->setString(kDZEnableSignedInAdsKey, "1");
    }

    void signIn(const std::string& subject, const std::string& refreshToken) {
        signIn_->setUser(DZFakeSignIn::idTokenFor(kIssuer, subject), refreshToken);
    }

    std::shared_ptr<DZTokenDispenser> create() {
        return DZTokenDispenser::create(
            server_.baseURL() + "oauth2/v3/token", [this] { return kEpoch + home_.loop().now(); }, keychain_,
            [this] { return trackingLimited_; });
    }

    std::shared_ptr<DZTokenDispenser> make() {
        auto dispenser = create();
        home_.pump().runFor(std::chrono::milliseconds(20));
        return dispenser;
    }

    std::optional<std::string> awaitToken(DZTokenDispenser& dispenser) {
        std::optional<std::string> token;
        home_.pump().until([&] { return (token = dispenser.token()).has_value(); });
        return token;
    }

    std::vector<nlohmann::json> tokenHits() const {
        std::vector<nlohmann::json> hits;
        for (auto& hit : server_.log())
            if (hit["kind"] == "token") hits.push_back(hit);
        return hits;
    }

    bool awaitTokenHits(std::size_t n) {
        return home_.pump().until([&] { return tokenHits().size() >= n; });
    }

    tikoleap::test::AdsTestHome home_;
    tikoleap::adserver::AdServer server_;
    std::shared_ptr<DZFakeSignIn> signIn_ = DZFakeSignIn::registerShared();
    std::shared_ptr<platform::KeychainStore> keychain_ =
        std::make_shared<platform::KeychainStore>(home_.home().file("Library/keychain.plist"));
    bool trackingLimited_ = false;
};

TEST_F(SignedInTokens, EveryLifespanIsAtLeastAMinute) {
    struct Case {
        std::string refreshToken;
        std::string minimumSetting;
        double lifespan;
    };
    int user = 0;
    for (const Case& c : {Case{"tikoleap-expires-30", "", 60}, Case{"tikoleap-expires-30", "120", 120},
                          Case{"tikoleap-expires-30", "0.001", 60}, Case{"tikoleap-expires-1e-9", "", 60},
                          Case{"tikoleap-expires--5", "", 60}, Case{"tikoleap-expires-7200", "", 7200},
                          Case{"tikoleap-expires-\"30\"", "", 3600}}) {
        platform::UserDefaults::standard()->setString(kDZMinimumSignedInTokenLifespanKey, c.minimumSetting);
        signIn("player-" + std::to_string(++user), c.refreshToken);
        keychain_ = std::make_shared<platform::KeychainStore>(home_.home().file("k" + std::to_string(user)));
        auto dispenser = make();
        ASSERT_TRUE(awaitToken(*dispenser)) << c.refreshToken;
        EXPECT_DOUBLE_EQ(dispenser->minLifespan(), c.lifespan) << c.refreshToken;
        EXPECT_DOUBLE_EQ(dispenser->refreshInterval(), 0.72 * c.lifespan) << c.refreshToken;
    }
}

TEST_F(SignedInTokens, TheTimerRefreshesBeforeExpiryAndKeepsAGoodTokenThroughAnError) {
    auto dispenser = make();
    EXPECT_EQ(awaitToken(*dispenser), "tikoleap-token-1");
    EXPECT_DOUBLE_EQ(dispenser->refreshInterval(), 2592);
    EXPECT_DOUBLE_EQ(dispenser->refreshTolerance(), 648);
    const auto form = tokenHits().at(0)["form"];
    EXPECT_EQ(form, nlohmann::json({{"client_id", "tikoleap-client"},
                                    {"grant_type", "refresh_token"},
                                    {"refresh_token", "tikoleap-refresh"},
                                    {"scope", "https://127.0.0.1/auth/display_ads"}}));

    // A new sign-in of the same user: its refresh token is the one used from then on.
    signIn("player-1", "tikoleap-error-503");
    home_.loop().advance(2591);
    home_.pump().runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(tokenHits().size(), 1u);
    home_.loop().advance(1);
    ASSERT_TRUE(awaitTokenHits(2));
    EXPECT_EQ(tokenHits()[1]["form"]["refresh_token"], "tikoleap-error-503");
    home_.pump().runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(dispenser->token(), "tikoleap-token-1");
}

TEST_F(SignedInTokens, AnAnswerThatIsNoSuccessGivesNoTokenWhateverItsBodyHolds) {
    auto dispenser = make();
    ASSERT_EQ(awaitToken(*dispenser), "tikoleap-token-1");
    // The timer's refresh meets a failing server whose body still holds a token: the good one stays.
    signIn("player-1", "tikoleap-status-503");
    home_.loop().advance(2592);
    ASSERT_TRUE(awaitTokenHits(2));
    home_.pump().runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(dispenser->token(), "tikoleap-token-1");
    // A user without a token gets none from it either.
    signIn("player-2", "tikoleap-status-500");
    ASSERT_TRUE(awaitTokenHits(3));
    home_.pump().runFor(std::chrono::milliseconds(100));
    EXPECT_FALSE(dispenser->token());
    EXPECT_EQ(dispenser->cachedUserCount(), 1u);
}

// A failing endpoint is not asked on every token() call: 1 s after the first failure, 2 s after
// the second, and so on up to five minutes; a new sign-in is asked at once.
TEST_F(SignedInTokens, AFailedRequestIsAskedAgainOnlyAfterADoublingBackOff) {
    signIn("player-1", "tikoleap-error-503");
    auto dispenser = make();
    // The failure is taken in (and its wait starts) before the clock moves on.
    auto answered = [&](std::size_t n) {
        return home_.pump().until(
            [&] { return tokenHits().size() >= n && dispenser->tokenRequestsInFlight() == 0; });
    };
    ASSERT_TRUE(answered(1));
    auto callsBetween = [&](double seconds) {
        for (double waited = 0; waited < seconds; waited += 0.5) {
            home_.pump().runFor(std::chrono::milliseconds(20));
            for (int i = 0; i < 20; ++i) EXPECT_FALSE(dispenser->token());
            home_.loop().advance(0.5);
        }
        home_.pump().runFor(std::chrono::milliseconds(20));
    };
    std::size_t hits = 1;
    for (double delay : {1.0, 2.0, 4.0}) {
        callsBetween(delay - 0.5);
        EXPECT_EQ(tokenHits().size(), hits) << delay;
        home_.loop().advance(0.5);
        EXPECT_FALSE(dispenser->token());
        ASSERT_TRUE(answered(++hits)) << delay;
    }
    // The wait stops doubling at five minutes.
    for (int i = 0; i < 8; ++i) {
        home_.loop().advance(DZTokenDispenser::kMaxRetryDelay);
        EXPECT_FALSE(dispenser->token());
        ASSERT_TRUE(answered(++hits)) << i;
    }
    signIn("player-1", "tikoleap-refresh");
    EXPECT_TRUE(awaitToken(*dispenser));
    EXPECT_EQ(tokenHits().size(), hits + 1);
}

TEST_F(SignedInTokens, AHugeLifespanIsCutToThirtyDays) {
    signIn("player-1", "tikoleap-expires-1e300");
    auto dispenser = make();
    ASSERT_TRUE(awaitToken(*dispenser));
    EXPECT_DOUBLE_EQ(dispenser->minLifespan(), DZTokenDispenser::kMaximumLifespan);
    ASSERT_TRUE(dispenser->flush(std::chrono::seconds(5)));
    const auto kept = DZSignedInTokenStore(keychain_).load();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_DOUBLE_EQ(kept.begin()->second.lifespanInSeconds, DZTokenDispenser::kMaximumLifespan);
    EXPECT_LE(kept.begin()->second.expiration,
              kEpoch + home_.loop().now() + DZTokenDispenser::kMaximumLifespan);
}

TEST_F(SignedInTokens, ARestartKeepsTheCacheInTheKeychainAndRefreshesWhatIsDue) {
    signIn("player-1", "tikoleap-expires-120");
    auto first = make();
    ASSERT_EQ(awaitToken(*first), "tikoleap-token-1");
    first.reset();
    // Not due yet (more than 0.9 of its 120 s left after the next refresh): no request.
    home_.loop().advance(5);
    auto second = make();
    EXPECT_EQ(awaitToken(*second), "tikoleap-token-1");
    home_.pump().runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(tokenHits().size(), 1u);
    second.reset();
    home_.loop().advance(15);
    second = make();
    ASSERT_TRUE(awaitTokenHits(2));
    EXPECT_TRUE(home_.pump().until([&] { return second->token() == "tikoleap-token-2"; }));
    ASSERT_TRUE(second->flush(std::chrono::seconds(5)));

    struct stat info {};
    ASSERT_EQ(::stat(keychain_->file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600);
    platform::UserDefaults::standard()->synchronize();
    std::ifstream settings(platform::UserDefaults::standardPath(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(settings)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("tikoleap-token"), std::string::npos);
    EXPECT_EQ(text.find("tikoleap-expires"), std::string::npos);
}

TEST_F(SignedInTokens, ACorruptKeychainFileIsSetAsideAndReplaced) {
    home_.home().write("Library/keychain.plist", std::string("not a store"));
    auto dispenser = make();
    ASSERT_EQ(awaitToken(*dispenser), "tikoleap-token-1");
    ASSERT_TRUE(dispenser->flush(std::chrono::seconds(5)));
    EXPECT_TRUE(std::filesystem::exists(keychain_->file().string() + ".corrupt"));
    dispenser.reset();
    EXPECT_EQ(awaitToken(*make()), "tikoleap-token-1");
}

TEST_F(SignedInTokens, OneRequestPerUserIsInFlight) {
    signIn("player-1", "tikoleap-slow-300");
    auto dispenser = make();
    for (int i = 0; i < 200; ++i) EXPECT_FALSE(dispenser->token());
    ASSERT_TRUE(awaitToken(*dispenser));
    home_.pump().runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(tokenHits().size(), 1u);
    EXPECT_EQ(dispenser->tokenRequests(), 1);
}

// Request paths on worker threads asking for the token without pause, keeping what they got.
class TokenCallers {
  public:
    explicit TokenCallers(std::shared_ptr<DZTokenDispenser> dispenser) {
        for (int i = 0; i < 4; ++i) {
            threads_.emplace_back([this, dispenser] {
                while (!stop_.load()) {
                    if (auto token = dispenser->token()) {
                        std::lock_guard lock(mutex_);
                        seen_.insert(*token);
                    }
                }
            });
        }
    }
    ~TokenCallers() { stop(); }
    TokenCallers(const TokenCallers&) = delete;
    TokenCallers& operator=(const TokenCallers&) = delete;

    bool saw(const std::string& token) {
        std::lock_guard lock(mutex_);
        return seen_.count(token) == 1;
    }
    std::set<std::string> stop() {
        stop_ = true;
        for (auto& thread : threads_)
            if (thread.joinable()) thread.join();
        return seen_;
    }

  private:
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::set<std::string> seen_;
    std::vector<std::thread> threads_;
};

// Run under the thread sanitizer too: the first token, start-up's refresh of a kept one and the
// timer's refreshes, each with token() called from other threads all along.
TEST_F(SignedInTokens, RefreshesRunBesideTokenCallsFromOtherThreadsOneRequestAtATime) {
    signIn("player-1", "tikoleap-expires-120");
    auto first = create();
    {
        TokenCallers callers(first);
        ASSERT_TRUE(home_.pump().until([&] { return callers.saw("tikoleap-token-1"); }));
        // Answered and cached are one step: no caller finds the user neither waiting nor served.
        home_.pump().runFor(std::chrono::milliseconds(50));
        ASSERT_EQ(tokenHits().size(), 1u);
    }
    first.reset();
    home_.loop().advance(20);  // due at the next start: less than 0.9 of its 120 s is left

    // Made off the main thread, it takes in its kept cache before the main loop reads the user:
    // the due token is still asked for at once, not at the timer's first firing.
    std::shared_ptr<DZTokenDispenser> dispenser;
    std::thread([&] { dispenser = create(); }).join();
    ASSERT_TRUE(dispenser->flush(std::chrono::seconds(5)));
    TokenCallers callers(dispenser);
    EXPECT_TRUE(home_.pump().until([&] { return callers.saw("tikoleap-token-2"); }));
    // Each firing of the timer (every 86.4 s) asks for the one token that is due.
    for (std::size_t hits = 3; hits <= 4; ++hits) {
        home_.loop().advance(87);
        EXPECT_TRUE(awaitTokenHits(hits));
        EXPECT_TRUE(
            home_.pump().until([&] { return callers.saw("tikoleap-token-" + std::to_string(hits)); }));
    }
    const auto seen = callers.stop();
    home_.pump().runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(tokenHits().size(), 4u);
    // Only whole tokens the server gave out, never a torn read.
    const std::set<std::string> issued{"tikoleap-token-1", "tikoleap-token-2", "tikoleap-token-3",
                                       "tikoleap-token-4"};
    EXPECT_TRUE(std::includes(issued.begin(), issued.end(), seen.begin(), seen.end()));
}

TEST_F(SignedInTokens, ARefusedTokenIsReplacedAndAnOldRefusalLeavesTheNewOne) {
    auto dispenser = make();
    ASSERT_EQ(awaitToken(*dispenser), "tikoleap-token-1");
    // The server refuses it in an ad answer over https: the fetcher passes that on.
    const auto before = DZAdCoreHooks::signedInAdsToken;
    const auto beforeRefresh = DZAdCoreHooks::refreshSignedInAdsToken;
    DZAdCoreHooks::signedInAdsToken = [dispenser] { return dispenser->token(); };
    DZAdCoreHooks::refreshSignedInAdsToken = [dispenser](const std::string& t) {
        dispenser->refreshToken(t);
    };
    auto fetcher = DZAdFetcher::create();
    const auto headers = fetcher->requestHeadersForURL("https://" + DZAdServerHost() + "/zads/ad");
    fetcher->fetchRequestURL(std::nullopt, {}, DZAdFetcher::Headers{{"x-zazo-oauth-token-status", "clear"}},
                             nullptr);
    DZAdCoreHooks::signedInAdsToken = before;
    DZAdCoreHooks::refreshSignedInAdsToken = beforeRefresh;
    ASSERT_TRUE(headers);
    EXPECT_EQ(headers->at("Authorization"), "Bearer tikoleap-token-1");
    EXPECT_TRUE(home_.pump().until([&] { return dispenser->token() == "tikoleap-token-2"; }));

    dispenser->refreshToken("tikoleap-token-1");
    home_.pump().runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(dispenser->token(), "tikoleap-token-2");
    EXPECT_EQ(tokenHits().size(), 2u);
}

TEST_F(SignedInTokens, ASignedOutUserIsNotRefreshedAndGoesOnceExpired) {
    auto dispenser = make();
    ASSERT_TRUE(awaitToken(*dispenser));
    signIn_->setUser(std::nullopt, std::nullopt);
    home_.pump().until([&] { return !dispenser->token(); });
    for (int i = 0; i < 3; ++i) {
        home_.loop().advance(2592);
        home_.pump().runFor(std::chrono::milliseconds(30));
    }
    EXPECT_EQ(tokenHits().size(), 1u);
    EXPECT_DOUBLE_EQ(dispenser->refreshInterval(), 0);  // nothing left to refresh
}

TEST_F(SignedInTokens, NoTokenWhileTrackingIsLimitedOrTheServerSwitchedThemOff) {
    auto dispenser = make();
    ASSERT_TRUE(awaitToken(*dispenser));
    trackingLimited_ = true;
    EXPECT_FALSE(dispenser->token());
    trackingLimited_ = false;
    platform::UserDefaults::standard()->setString(kDZEnableSignedInAdsKey, "0");
    EXPECT_FALSE(dispenser->token());
    dispenser.reset();

    // Nor is a request sent for a user with tracking limited, or to a plain-http host elsewhere.
    signIn("player-2", "tikoleap-refresh");
    platform::UserDefaults::standard()->setString(kDZEnableSignedInAdsKey, "1");
    trackingLimited_ = true;
    auto limited = make();
    EXPECT_FALSE(limited->token());
    auto elsewhere = DZTokenDispenser::create("http://tokens.tikoleap.test/oauth2/v3/token", nullptr,
                                              keychain_, [] { return false; });
    home_.pump().runFor(std::chrono::milliseconds(50));
    EXPECT_FALSE(elsewhere->token());
    home_.pump().runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(tokenHits().size(), 1u);
    EXPECT_EQ(elsewhere->tokenRequests(), 0);
}

// A sign-in library that goes through user after user: the cache stays bounded and what is
// kept across a restart still reads back, with the user signed in last.
TEST_F(SignedInTokens, UserAfterUserKeepsABoundedCacheThatStillReads) {
    auto dispenser = make();
    ASSERT_TRUE(awaitToken(*dispenser));
    char subject[16];
    for (int i = 0; i < 80; ++i) {
        std::snprintf(subject, sizeof subject, "u%03d", i);
        signIn(subject, "tikoleap-refresh");
        home_.loop().advance(1);
        ASSERT_TRUE(home_.pump().until([&] { return tokenHits().size() == std::size_t(i) + 2; }));
        ASSERT_TRUE(awaitToken(*dispenser)) << subject;
    }
    EXPECT_LE(dispenser->cachedUserCount(), DZSignedInTokenStore::kMaxUsers);
    ASSERT_TRUE(dispenser->flush(std::chrono::seconds(5)));
    const auto kept = DZSignedInTokenStore(keychain_).load();
    EXPECT_LE(kept.size(), DZSignedInTokenStore::kMaxUsers);
    EXPECT_TRUE(kept.count(DZSignedInUser(kIssuer, subject, "", "")));

    // Tokens of the longest size the server may give: too many of them for the store's bound.
    DZSignedInTokenStore::Cache big;
    for (int i = 0; i < 64; ++i)
        big.emplace(DZSignedInUser(kIssuer, std::to_string(i), "client", "refresh"),
                    DZTokenCacheEntry{std::string(8000, 't'), double(i), kEpoch, 3600});
    DZSignedInTokenStore store(keychain_);
    ASSERT_TRUE(store.save(big));
    const auto reread = store.load();
    EXPECT_TRUE(reread.count(DZSignedInUser(kIssuer, "63", "", "")));
    EXPECT_FALSE(reread.count(DZSignedInUser(kIssuer, "0", "", "")));
}

TEST_F(SignedInTokens, ABurstOfSignInChangesReadsTheUserAFewTimesOnly) {
    auto dispenser = make();
    ASSERT_EQ(awaitToken(*dispenser), "tikoleap-token-1");
    const int before = signIn_->currentUserReads();
    for (int i = 0; i < 1000; ++i) signIn(i % 2 ? "player-2" : "player-1", "tikoleap-refresh");
    home_.pump().runFor(std::chrono::milliseconds(100));
    EXPECT_LE(signIn_->currentUserReads() - before, 4);
    // The last change is the one that counts.
    EXPECT_EQ(awaitToken(*dispenser), "tikoleap-token-2");
    EXPECT_EQ(tokenHits().size(), 2u);
}

TEST_F(SignedInTokens, UsersPassingWhileTheServerIsSlowKeepFewRequestsInFlight) {
    auto dispenser = make();
    for (int i = 0; i < 20; ++i) {
        signIn("player-" + std::to_string(i), "tikoleap-slow-400");
        home_.pump().runFor(std::chrono::milliseconds(10));
        EXPECT_LE(dispenser->tokenRequestsInFlight(), DZTokenDispenser::kMaxRequestsInFlight);
    }
    // The user signed in last is served all the same, once the back-off has passed if the busy
    // server turned them away.
    std::optional<std::string> token;
    home_.pump().until([&] {
        home_.loop().advance(0.05);
        return (token = dispenser->token()).has_value();
    });
    EXPECT_EQ(token.value_or("").rfind("tikoleap-token-", 0), 0u);
}

// A token goes into an Authorization header: one that would break the header's line is no token,
// whether the server answers it or the kept cache holds it.
TEST(SignedInTokenAnswer, ATokenWithAControlCharacterIsNoToken) {
    EXPECT_TRUE(DZTokenService::readAnswer(R"({"access_token":"tikoleap-token-1"})"));
    for (const std::string token : {"t\\r\\nX-Evil: 1", "t\\n", "t\\u0000", "t\\u007f", "t\\t"}) {
        EXPECT_FALSE(DZTokenService::readAnswer(R"({"access_token":")" + token + "\"}")) << token;
        EXPECT_FALSE(DZTokenCacheEntry::decoded(nlohmann::json::parse(
            R"({"token":")" + token + R"(","lastAccess":0,"expiration":1,"lifespanInSeconds":60})")))
            << token;
    }
}

// What another process (or one started after a crash) reads while the cache is being replaced.
TEST(SignedInTokenStore, TheKeptCacheIsNeverMissingWhileItIsReplaced) {
    tikoleap::test::TempDir tmp;
    auto keychain = std::make_shared<platform::KeychainStore>(tmp.path() / "keychain.plist");
    DZSignedInTokenStore store(keychain);
    DZSignedInTokenStore::Cache cache;
    cache.emplace(DZSignedInUser(kIssuer, "player-1", "client", "refresh"),
                  DZTokenCacheEntry{"tikoleap-token-1", 0, kEpoch, 3600});
    ASSERT_TRUE(store.save(cache));
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0}, missing{0};
    std::thread reader([&] {
        const DZSignedInTokenStore other(std::make_shared<platform::KeychainStore>(keychain->file()));
        while (!stop.load()) {
            ++reads;
            if (other.load().empty()) ++missing;
        }
    });
    for (int i = 1; i <= 100; ++i) {
        cache.begin()->second.lastAccess = i;
        EXPECT_TRUE(store.save(cache));
    }
    stop = true;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(missing.load(), 0) << "of " << reads.load() << " reads";
}

TEST(IDToken, OnlyAThreePartIDTokenWithIssuerAndSubjectNamesAUser) {
    const auto good = DZFakeSignIn::idTokenFor("iss-a", "sub-a");
    const auto claims = DZIDToken::claims(good);
    ASSERT_TRUE(claims);
    EXPECT_EQ(claims->issuer, "iss-a");
    EXPECT_EQ(claims->userID, "sub-a");
    const std::string payload = good.substr(good.find('.') + 1, good.rfind('.') - good.find('.') - 1);
    for (const std::string& bad :
         std::vector<std::string>{payload, "a." + payload + ".b.c", "a.!!!.b", "a." + payload + "x.b",
                                  "a.eyJpc3MiOiJ4In0.b",  // {"iss":"x"}
                                  "a.WzFd.b",             // [1]
                                  "a." + std::string(DZIDToken::kMaxBytes, 'A') + ".b"})
        EXPECT_FALSE(DZIDToken::claims(bad)) << bad.substr(0, 40);
}

}  // namespace
