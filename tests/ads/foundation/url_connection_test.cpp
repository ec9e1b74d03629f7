// The URL connection against a loopback server: loads, redirects, the memory cache and its
// header rules, and the request builder.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZHeaderParser.h"
#include "ads/foundation/DZNSURLRequestUtilities.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/foundation/DZURLConnection.h"
#include "platform/ui/NotificationCenter.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"

namespace {

using namespace std::chrono_literals;
using platform::HttpResponse;
using tikoleap::test::LoopbackServer;
using tikoleap::test::MainLoopPump;

platform::SystemTime at(std::int64_t seconds) {
    return platform::SystemTime(std::chrono::seconds(seconds));
}

HttpResponse withHeaders(std::vector<std::pair<std::string, std::string>> fields) {
    HttpResponse r;
    r.status = 200;
    for (auto& [k, v] : fields) r.headers.add(k, v);
    return r;
}

TEST(DZHeaderParser, ExpirationFollowsPragmaCacheControlAndExpires) {
    const auto now = at(1'000'000'000);
    const std::string date = "Sun, 06 Nov 1994 08:49:37 GMT";
    const auto dateTime = *dz_dateFromHttpDateString(date);
    const std::string hourLater = "Sun, 06 Nov 1994 09:49:37 GMT";

    EXPECT_FALSE(dz_expirationDate(withHeaders({{"Cache-Control", "max-age=0"}}), now));
    EXPECT_EQ(dz_expirationDate(withHeaders({{"Date", date}, {"Cache-Control", "private, max-age=30"}}), now),
              dateTime + 30s);
    EXPECT_FALSE(dz_expirationDate(withHeaders({{"Cache-Control", "no-store, max-age=30"}}), now));
    // An unreadable max-age falls through to Expires, counted from the local clock.
    EXPECT_EQ(
        dz_expirationDate(
            withHeaders({{"Date", date}, {"Cache-Control", "max-age=abc"}, {"Expires", hourLater}}), now),
        now + 1h);
    EXPECT_FALSE(dz_expirationDate(
        withHeaders({{"Pragma", "no-cache"}, {"Cache-Control", "max-age=30"}, {"Expires", hourLater}}), now));
    EXPECT_FALSE(dz_expirationDate(withHeaders({{"Date", hourLater}, {"Expires", date}}), now));
    EXPECT_FALSE(dz_expirationDate(withHeaders({}), now));
    // A Date no form reads counts as now; a huge max-age cannot overflow.
    EXPECT_EQ(dz_expirationDate(withHeaders({{"Date", "garbage"}, {"Cache-Control", "max-age=10"}}), now),
              now + 10s);
    EXPECT_TRUE(dz_expirationDate(withHeaders({{"Cache-Control", "max-age=99999999999999999999999"}}), now));
}

TEST(DZNSURLRequestUtilities, BuildsGetsAndPostsWithTheUserAgent) {
    EXPECT_FALSE(dz_requestForURL(std::nullopt, std::nullopt, std::nullopt, std::nullopt));
    auto get = dz_requestForURL("http://a/b", std::string("body"), std::nullopt, std::nullopt);
    ASSERT_TRUE(get);
    EXPECT_EQ(get->method, "GET");
    EXPECT_TRUE(get->body.empty());

    // The device's one user agent, whoever set it, replaces the caller's.
    DZDevice::sharedInstance()->setUserAgentString("Agent/1");
    auto post = dz_requestForURL("http://a/b", std::string("k=v"),
                                 std::map<std::string, std::string>{{"User-Agent", "mine"}, {"X-A", "1"}},
                                 std::string("text/plain"));
    ASSERT_TRUE(post);
    EXPECT_EQ(post->method, "POST");
    EXPECT_EQ(post->body, "k=v");
    EXPECT_EQ(post->headers.get("Content-Length"), "3");
    EXPECT_EQ(post->headers.get("Content-Type"), "text/plain");
    EXPECT_EQ(post->headers.get("User-Agent"), "Agent/1");
    EXPECT_EQ(post->headers.get("X-A"), "1");
}

TEST(DZURLConnectionCache, KeysShareBySlotNameAndTheCacheIsBounded) {
    EXPECT_EQ(DZURLConnection::cacheKeyForURL("http://h/p?slotname=s&x=1"),
              DZURLConnection::cacheKeyForURL("http://h/p?y=2&slotname=s"));
    EXPECT_NE(DZURLConnection::cacheKeyForURL("http://h/p?slotname=s"),
              DZURLConnection::cacheKeyForURL("http://h/p?slotname=t"));
    EXPECT_NE(DZURLConnection::cacheKeyForURL("http://h/p?x=1"),
              DZURLConnection::cacheKeyForURL("http://h/p?x=2"));
    EXPECT_EQ(DZURLConnection::cacheKeyForURL("http://h/p").size(), 16u);

    DZURLConnection::clearCache();
    const auto later = std::chrono::system_clock::now() + 1h;
    for (int i = 0; i < 26; ++i) {
        const std::string url = "http://h/" + std::to_string(i);
        DZURLConnection::memoryCache().setObject(DZURLConnection::cacheKeyForURL(url),
                                                 DZCachedURLResponse::create({}, "x", later, std::nullopt));
    }
    EXPECT_EQ(DZURLConnection::memoryCache().count(), 25u);
    auto conn = DZURLConnection::create();
    EXPECT_FALSE(conn->cachedResponseForURL("http://h/0"));  // the oldest went first
    EXPECT_TRUE(conn->cachedResponseForURL("http://h/25"));

    const std::string stale = "http://h/stale";
    DZURLConnection::memoryCache().setObject(
        DZURLConnection::cacheKeyForURL(stale),
        DZCachedURLResponse::create({}, "x", std::chrono::system_clock::now() - 1s, std::nullopt));
    EXPECT_FALSE(conn->cachedResponseForURL(stale));
    EXPECT_FALSE(DZURLConnection::memoryCache().objectForKey(DZURLConnection::cacheKeyForURL(stale)));

    platform::ui::NotificationCenter::defaultCenter().post(
        platform::ui::kApplicationDidReceiveMemoryWarningNotification);
    EXPECT_EQ(DZURLConnection::memoryCache().count(), 0u);
}

struct Delegate : DZURLConnectionDelegate {
    std::vector<std::string> redirects;
    std::vector<std::string> events;
    std::optional<std::string> body;
    std::string baseURL;
    platform::ErrorRef error;
    std::int32_t status = 0;
    bool failed = false;
    bool useCache = true;
    std::string refuse;

    platform::ErrorRef connectionShouldRedirectToURL(DZURLConnection&, const std::string& url) override {
        redirects.push_back(url);
        if (url == refuse) return DZRequestError::errorWithCode(kDZErrorInternalError);
        return nullptr;
    }
    void connectionLoadDidReceiveRedirectResponse(DZURLConnection&, const HttpResponse&) override {
        events.push_back("redirect");
    }
    bool connectionLoadShouldUseCachedResponse(DZURLConnection&, const HttpResponse&) override {
        return useCache;
    }
    void connectionLoadDidReceiveCachedResponse(DZURLConnection&, const HttpResponse&) override {
        events.push_back("cached");
    }
    void connectionLoadDidFinish(DZURLConnection&, const std::optional<std::string>& b,
                                 const std::string& base) override {
        events.push_back("finish");
        body = b;
        baseURL = base;
    }
    void connectionLoadDidFail(DZURLConnection&, platform::ErrorRef e, std::int32_t s) override {
        events.push_back("fail");
        failed = true;
        error = e;
        status = s;
    }
    bool done() const { return !events.empty() && (events.back() == "finish" || events.back() == "fail"); }
};

class DZURLConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override { DZURLConnection::clearCache(); }
    void TearDown() override { DZURLConnection::clearCache(); }

    platform::HttpRequest request(const std::string& path) {
        return *dz_requestForURL(server.url(path), {}, {}, {});
    }

    MainLoopPump pump;
    LoopbackServer server;
    std::shared_ptr<Delegate> delegate = std::make_shared<Delegate>();
    std::shared_ptr<DZURLConnection> conn = DZURLConnection::create();
};

TEST_F(DZURLConnectionTest, LoadsThroughRedirectsAndRefusesASecondStartWhileBusy) {
    server.redirectChain("ad", 3);
    ASSERT_TRUE(conn->startWithRequestURL(request("/ad/1"), delegate));
    EXPECT_TRUE(conn->isInProgress());
    platform::ErrorRef busy;
    EXPECT_FALSE(conn->startWithRequestURL(request("/other"), delegate, &busy));
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->domain(), "com.rerive.ads");
    EXPECT_EQ(busy->code(), 2);
    EXPECT_EQ(busy->localizedDescription(), "Ignoring -- Currently loading " + server.url("/ad/1"));

    ASSERT_TRUE(pump.until([&] { return delegate->done(); }));
    EXPECT_EQ(delegate->body, "end of ad");
    EXPECT_EQ(delegate->baseURL, server.url("/ad/3"));
    EXPECT_EQ(delegate->redirects.size(), 2u);
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"redirect", "redirect", "finish"}));
    EXPECT_FALSE(conn->isInProgress());
    EXPECT_EQ(server.count("/other"), 0u);
}

TEST_F(DZURLConnectionTest, ARefusedRedirectFailsWithTheDelegatesError) {
    server.redirectChain("r", 3);
    delegate->refuse = server.url("/r/2");
    ASSERT_TRUE(conn->startWithRequestURL(request("/r/1"), delegate));
    ASSERT_TRUE(pump.until([&] { return delegate->done(); }));
    EXPECT_EQ(delegate->status, -1);
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code(), kDZErrorInternalError);
    EXPECT_EQ(server.count("/r/2"), 0u);
    EXPECT_FALSE(conn->isInProgress());
}

TEST_F(DZURLConnectionTest, OnlySuccessfulAnswersAreCachedAndServedAgain) {
    server.reply("/fresh", 200, "ad body", {{"Cache-Control", "max-age=300"}});
    conn->setAllowCache(true);
    ASSERT_TRUE(conn->startWithRequestURL(request("/fresh"), delegate));
    ASSERT_TRUE(pump.until([&] { return delegate->done(); }));

    auto again = std::make_shared<Delegate>();
    ASSERT_TRUE(conn->startWithRequestURL(request("/fresh"), again));
    EXPECT_EQ(again->events, (std::vector<std::string>{"cached", "finish"}));  // at once, from the cache
    EXPECT_EQ(again->body, "ad body");
    EXPECT_FALSE(conn->isInProgress());
    EXPECT_EQ(server.count("/fresh"), 1u);

    server.reply("/broken", 503, "down", {{"Cache-Control", "max-age=300"}});
    auto first = std::make_shared<Delegate>();
    ASSERT_TRUE(conn->startWithRequestURL(request("/broken"), first));
    ASSERT_TRUE(pump.until([&] { return first->done(); }));
    EXPECT_FALSE(conn->cachedResponseForURL(server.url("/broken")));
    auto second = std::make_shared<Delegate>();
    ASSERT_TRUE(conn->startWithRequestURL(request("/broken"), second));
    ASSERT_TRUE(pump.until([&] { return second->done(); }));
    EXPECT_EQ(server.count("/broken"), 2u);
}

TEST_F(DZURLConnectionTest, ARequestThatCannotBeSentFailsAndLeavesTheConnectionIdle) {
    platform::HttpRequest bad;
    bad.url = "ftp://127.0.0.1/x";
    platform::ErrorRef error;
    EXPECT_FALSE(conn->startWithRequestURL(bad, delegate, &error));
    EXPECT_TRUE(error);
    EXPECT_TRUE(delegate->failed);
    EXPECT_EQ(delegate->status, -1);
    EXPECT_FALSE(conn->isInProgress());

    server.reply("/ok", 200, "fine");
    auto next = std::make_shared<Delegate>();
    ASSERT_TRUE(conn->startWithRequestURL(request("/ok"), next));
    ASSERT_TRUE(pump.until([&] { return next->done(); }));
    EXPECT_EQ(next->body, "fine");
}

TEST_F(DZURLConnectionTest, AFailureAfterTheHeadReportsItsStatusAndBadTextIsNoText) {
    server.shortBody("/cut", 500, "partial");
    ASSERT_TRUE(conn->startWithRequestURL(request("/cut"), delegate));
    ASSERT_TRUE(pump.until([&] { return delegate->done(); }));
    EXPECT_TRUE(delegate->failed);
    EXPECT_EQ(delegate->status, 200);

    server.reply("/binary", 200, std::string("\xff\xfe\x01\x02", 4));
    auto binary = std::make_shared<Delegate>();
    ASSERT_TRUE(conn->startWithRequestURL(request("/binary"), binary));
    ASSERT_TRUE(pump.until([&] { return binary->done(); }));
    EXPECT_EQ(binary->events, std::vector<std::string>{"finish"});
    EXPECT_FALSE(binary->body);
}

}  // namespace
