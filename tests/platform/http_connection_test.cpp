#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/http/HostLookup.h"
#include "platform/http/HttpConnection.h"
#include "platform/http/HttpEngine.h"
#include "platform/http/HttpUrl.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"
#include "support/RawHttpServer.h"

namespace {

using platform::HttpConnection;
using platform::HttpError;
using platform::HttpRequest;
using platform::HttpResponse;
using tikoleap::test::LoopbackServer;
using tikoleap::test::MainLoopPump;
using tikoleap::test::RawHttpServer;

// Records every callback of one connection.
struct Recorder {
    std::vector<std::string> redirects;
    std::optional<HttpResponse> response;
    std::optional<std::string> body;
    std::optional<HttpError> error;
    bool followRedirects = true;
    std::string vetoAt;  // a redirect target that is refused

    HttpConnection::Callbacks callbacks() {
        HttpConnection::Callbacks cb;
        cb.willRedirect = [this](const HttpResponse&, const std::string& target) {
            redirects.push_back(target);
            return followRedirects && target != vetoAt;
        };
        cb.didReceiveResponse = [this](const HttpResponse& r) { response = r; };
        cb.didFinish = [this](std::string b) { body = std::move(b); };
        cb.didFail = [this](const HttpError& e) { error = e; };
        return cb;
    }
    bool done() const { return body || error; }
};

HttpRequest get(const std::string& url) {
    HttpRequest r;
    r.url = url;
    r.timeoutSeconds = 5;
    return r;
}

class HttpConnectionTest : public ::testing::Test {
  protected:
    MainLoopPump pump;
    LoopbackServer server;
    Recorder rec;

    void load(HttpRequest request) {
        conn_ = HttpConnection::create(rec.callbacks());
        ASSERT_FALSE(conn_->start(std::move(request)));
        ASSERT_TRUE(pump.until([&] { return rec.done(); }));
    }
    std::shared_ptr<HttpConnection> conn_;
};

TEST_F(HttpConnectionTest, FollowsAChainHopByHopAndReportsTheFinalUrl) {
    const std::string first = server.redirectChain("chain", 5);
    load(get(first));
    ASSERT_TRUE(rec.body) << (rec.error ? rec.error->message : "");
    EXPECT_EQ(*rec.body, "end of chain");
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(server.count("/chain/" + std::to_string(i)), 1u) << i;
    ASSERT_EQ(rec.redirects.size(), 4u);
    EXPECT_EQ(rec.redirects.back(), server.url("/chain/5"));
    EXPECT_EQ(rec.response->url, server.url("/chain/5"));
    EXPECT_EQ(conn_->currentUrl(), server.url("/chain/5"));
    EXPECT_EQ(conn_->redirectCount(), 4);
    EXPECT_FALSE(conn_->isLoading());
}

TEST_F(HttpConnectionTest, AVetoedRedirectEndsTheLoadWithoutRequestingTheTarget) {
    const std::string first = server.redirectChain("veto", 3);
    rec.vetoAt = server.url("/veto/3");
    conn_ = HttpConnection::create(rec.callbacks());
    ASSERT_FALSE(conn_->start(get(first)));
    ASSERT_TRUE(pump.until([&] { return rec.redirects.size() == 2; }));
    pump.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(server.count("/veto/3"), 0u);
    EXPECT_FALSE(rec.done());
    EXPECT_FALSE(conn_->isLoading());
}

TEST_F(HttpConnectionTest, RedirectLoopsAndOtherSchemesAreRefused) {
    server.redirect("/loop", "/loop");
    HttpRequest r = get(server.url("/loop"));
    r.maxRedirects = 5;
    load(r);
    ASSERT_TRUE(rec.error);
    EXPECT_EQ(rec.error->code, HttpError::Code::TooManyRedirects);
    EXPECT_EQ(server.count("/loop"), 6u);

    Recorder other;
    server.redirect("/app", "itms-apps://store.example/app/1");
    auto conn = HttpConnection::create(other.callbacks());
    ASSERT_FALSE(conn->start(get(server.url("/app"))));
    ASSERT_TRUE(pump.until([&] { return other.done(); }));
    ASSERT_EQ(other.redirects, std::vector<std::string>{"itms-apps://store.example/app/1"});
    ASSERT_TRUE(other.error);
    EXPECT_EQ(other.error->code, HttpError::Code::UnsupportedScheme);
}

TEST_F(HttpConnectionTest, RelativeLocationsResolveAndA303TurnsAPostIntoAGet) {
    server.reply("/done", 200, "ok");
    HttpRequest r = get(server.url("/a/form"));
    server.post("/a/form", [](const httplib::Request&, httplib::Response& res) {
        res.status = 303;
        res.set_header("Location", "../done?x=1");
    });
    r.method = "POST";
    r.body = "k=v";
    r.headers.set("Content-Type", "application/x-www-form-urlencoded");
    load(r);
    ASSERT_TRUE(rec.body);
    auto done = server.hits("/done");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].method, "GET");
    EXPECT_EQ(done[0].param("x"), "1");
    auto posted = server.hits("/a/form");
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].body, "k=v");
    EXPECT_EQ(posted[0].header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(HttpConnectionTest, ConditionalHeadersAndUserAgentReachTheServerAndA304IsAnAnswer) {
    server.get("/res", [](const httplib::Request& req, httplib::Response& res) {
        res.status = req.has_header("If-None-Match") ? 304 : 200;
    });
    HttpRequest r = get(server.url("/res"));
    r.headers.set("If-Modified-Since", "Sun, 06 Nov 1994 08:49:37");
    r.headers.set("If-None-Match", "\"v1\"");
    r.userAgent = "Agent/7";
    load(r);
    ASSERT_TRUE(rec.body);
    EXPECT_EQ(rec.response->status, 304);
    auto hit = server.hits("/res").at(0);
    EXPECT_EQ(hit.header("If-Modified-Since"), "Sun, 06 Nov 1994 08:49:37");
    EXPECT_EQ(hit.header("If-None-Match"), "\"v1\"");
    EXPECT_EQ(hit.header("User-Agent"), "Agent/7");

    Recorder plain;
    auto conn = HttpConnection::create(plain.callbacks());
    ASSERT_FALSE(conn->start(get(server.url("/res"))));
    ASSERT_TRUE(pump.until([&] { return plain.done(); }));
    EXPECT_EQ(server.hits("/res").at(1).header("User-Agent"), platform::kDefaultUserAgent);
}

TEST_F(HttpConnectionTest, SlowServersTimeOutAndHugeBodiesAreCut) {
    server.slow("/slow", 0.6);
    HttpRequest r = get(server.url("/slow"));
    r.timeoutSeconds = 0.1;
    load(r);
    ASSERT_TRUE(rec.error);
    EXPECT_EQ(rec.error->code, HttpError::Code::TimedOut);

    Recorder big;
    server.reply("/big", 200, std::string(100000, 'x'));
    HttpRequest b = get(server.url("/big"));
    b.maxBodyBytes = 1000;
    auto conn = HttpConnection::create(big.callbacks());
    ASSERT_FALSE(conn->start(b));
    ASSERT_TRUE(pump.until([&] { return big.done(); }));
    ASSERT_TRUE(big.error);
    EXPECT_EQ(big.error->code, HttpError::Code::BodyTooLarge);
    EXPECT_FALSE(big.body);
}

TEST_F(HttpConnectionTest, CutAndDroppedConnectionsAndMalformedHeadsFail) {
    server.shortBody("/short", 1000, "only this");
    load(get(server.url("/short")));
    ASSERT_TRUE(rec.error);
    EXPECT_EQ(rec.error->code, HttpError::Code::ConnectionLost);
    ASSERT_TRUE(conn_->lastResponse());
    EXPECT_EQ(conn_->lastResponse()->status, 200);

    RawHttpServer dropper("");
    Recorder dropped;
    auto c1 = HttpConnection::create(dropped.callbacks());
    ASSERT_FALSE(c1->start(get(dropper.url("/x"))));
    ASSERT_TRUE(pump.until([&] { return dropped.done(); }));
    ASSERT_TRUE(dropped.error);
    EXPECT_EQ(dropped.error->code, HttpError::Code::ConnectionLost);
    EXPECT_EQ(dropper.requestLines().at(0), "GET /x HTTP/1.1");

    RawHttpServer garbage("HTTP/1.1 abc nonsense\r\n\r\n");
    Recorder bad;
    auto c2 = HttpConnection::create(bad.callbacks());
    ASSERT_FALSE(c2->start(get(garbage.url())));
    ASSERT_TRUE(pump.until([&] { return bad.done(); }));
    ASSERT_TRUE(bad.error);
    EXPECT_EQ(bad.error->code, HttpError::Code::BadResponse);

    RawHttpServer odd("HTTP/1.1 200 OK\r\nnot a field\r\nX-Kept: yes\r\nContent-Length: 2\r\n\r\nhi");
    Recorder strict;
    auto c3 = HttpConnection::create(strict.callbacks());
    ASSERT_FALSE(c3->start(get(odd.url())));
    ASSERT_TRUE(pump.until([&] { return strict.done(); }));
    ASSERT_TRUE(strict.error);
    EXPECT_EQ(strict.error->code, HttpError::Code::BadResponse) << strict.error->message;

    RawHttpServer folded("HTTP/1.1 200 OK\r\nX-Long: a\r\n b\r\nContent-Length: 2\r\n\r\nhi");
    Recorder joined;
    auto c4 = HttpConnection::create(joined.callbacks());
    ASSERT_FALSE(c4->start(get(folded.url())));
    ASSERT_TRUE(pump.until([&] { return joined.done(); }));
    ASSERT_TRUE(joined.body);
    EXPECT_EQ(*joined.body, "hi");
    EXPECT_EQ(joined.response->headers.get("x-long"), "a b");
}

TEST_F(HttpConnectionTest, RequestsThatCannotBeSentFailAtOnce) {
    auto conn = HttpConnection::create(rec.callbacks());
    EXPECT_EQ(conn->start(get("ftp://127.0.0.1/file"))->code, HttpError::Code::UnsupportedScheme);
    EXPECT_EQ(conn->start(get("not a url"))->code, HttpError::Code::InvalidUrl);
    HttpRequest injected = get(server.url("/x"));
    injected.headers.set("X-A", "1\r\nX-B: 2");
    EXPECT_EQ(conn->start(injected)->code, HttpError::Code::InvalidRequest);
    injected.headers.set("X-A", std::string("1\0cut", 5));  // would reach the server as "1"
    EXPECT_EQ(conn->start(injected)->code, HttpError::Code::InvalidRequest);
    HttpRequest put = get(server.url("/x"));
    put.method = "PUT";
    EXPECT_EQ(conn->start(put)->code, HttpError::Code::InvalidRequest);
    EXPECT_FALSE(conn->isLoading());
    pump.runFor(std::chrono::milliseconds(50));
    EXPECT_FALSE(rec.done());
    EXPECT_TRUE(server.hits().empty());
}

TEST_F(HttpConnectionTest, NothingIsCalledBackAfterCancelOrDestruction) {
    server.slow("/slow", 0.3);
    {
        auto dropped = HttpConnection::create(rec.callbacks());
        ASSERT_FALSE(dropped->start(get(server.url("/slow"))));
        ASSERT_TRUE(server.waitForHits("/slow", 1));
    }
    auto conn = HttpConnection::create(rec.callbacks());
    ASSERT_FALSE(conn->start(get(server.url("/slow"))));
    conn->cancel();
    EXPECT_FALSE(conn->isLoading());
    pump.runFor(std::chrono::milliseconds(500));
    EXPECT_FALSE(rec.done());

    // An owner may let go of its connection from inside a callback.
    std::shared_ptr<HttpConnection> owned;
    bool finished = false;
    HttpConnection::Callbacks cb;
    cb.didReceiveResponse = [&](const HttpResponse&) { owned.reset(); };
    cb.didFinish = [&](std::string) { finished = true; };
    server.reply("/quick", 200, "q");
    owned = HttpConnection::create(cb);
    ASSERT_FALSE(owned->start(get(server.url("/quick"))));
    ASSERT_TRUE(pump.until([&] { return !owned; }));
    pump.runFor(std::chrono::milliseconds(50));
    EXPECT_FALSE(finished);
    EXPECT_TRUE(pump.until([] { return platform::HttpEngine::shared().activeCount() == 0; }));
}

TEST_F(HttpConnectionTest, SendReportsSuccessOnlyFor2xxAnswers) {
    server.reply("/ok", 204);
    server.reply("/err", 500, "no");
    RawHttpServer dropper("");
    std::vector<std::pair<std::string, bool>> results;
    for (const std::string& url :
         std::vector<std::string>{server.url("/ok"), server.url("/err"), dropper.url(), "gopher://x"}) {
        HttpConnection::send(get(url), [&results, url](const HttpConnection::Outcome& o) {
            results.emplace_back(url, o.succeeded());
        });
    }
    EXPECT_TRUE(results.empty());  // never inline
    ASSERT_TRUE(pump.until([&] { return results.size() == 4; }));
    std::map<std::string, bool> byUrl(results.begin(), results.end());
    EXPECT_TRUE(byUrl[server.url("/ok")]);
    EXPECT_FALSE(byUrl[server.url("/err")]);
    EXPECT_FALSE(byUrl[dropper.url()]);
    EXPECT_FALSE(byUrl["gopher://x"]);
}

// A connect check sees where each hop's connection reached, before anything is sent on it, and a
// hop it refuses sends nothing; a test's name for the loopback server is connected there and sent
// as named.
TEST_F(HttpConnectionTest, AConnectCheckSeesWhereEachHopIsConnectedAndARefusedHopSendsNothing) {
    struct Names {
        Names() { platform::HostLookup::overrideForTesting("other.test", "127.0.0.1"); }
        ~Names() { platform::HostLookup::clearOverridesForTesting(); }
    } names;
    const std::string other = "http://other.test:" + std::to_string(server.port());
    server.redirect("/first", other + "/second");
    server.redirect("/second", other + "/third");
    server.reply("/third", 200);
    std::mutex mutex;
    std::vector<platform::HttpConnectedHop> seen;
    HttpRequest request = get(server.url("/first"));
    request.connectCheck = [&](const platform::HttpConnectedHop& hop) {
        std::lock_guard lock(mutex);
        seen.push_back(hop);
        return hop.url != other + "/third";
    };
    load(request);
    ASSERT_TRUE(rec.error);
    EXPECT_EQ(server.count("/third"), 0u);
    ASSERT_EQ(server.count("/second"), 1u);
    EXPECT_EQ(server.hits("/second").front().header("Host"), "other.test:" + std::to_string(server.port()));
    std::lock_guard lock(mutex);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].url, other + "/third");
    for (const auto& hop : seen) {
        EXPECT_EQ(hop.address, "127.0.0.1");
        EXPECT_EQ(hop.port, server.port());
    }
}

TEST(HttpUrl, ParsesAndResolvesReferences) {
    auto p = platform::parseUrl("HTTPS://Example.com:8443/a/b?x=1#f");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->scheme, "https");
    EXPECT_EQ(p->port, "8443");
    EXPECT_EQ(p->path, "/a/b");
    EXPECT_EQ(p->query, "x=1");
    EXPECT_EQ(p->fragment, "f");
    EXPECT_FALSE(platform::parseUrl("http://exa mple.com/"));
    EXPECT_EQ(platform::urlScheme("itms-apps://x"), "itms-apps");
    EXPECT_FALSE(platform::urlScheme("/relative:path"));
    EXPECT_EQ(platform::resolveUrl("http://h/a/b/c", "../d"), "http://h/a/d");
    EXPECT_EQ(platform::resolveUrl("http://h/a", "//other/x"), "http://other/x");
}

}  // namespace
