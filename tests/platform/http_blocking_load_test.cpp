// Loads that a worker thread of our own waits for: the outcome, redirects, giving up, and hosts
// that can never resolve.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/http/HttpBlockingLoad.h"
#include "platform/http/HttpUrl.h"
#include "support/LoopbackServer.h"

namespace {

platform::HttpConnection::Outcome loadOnAThread(platform::HttpRequest request,
                                                std::function<bool()> stop = {}) {
    platform::HttpConnection::Outcome outcome;
    std::thread worker([&] { outcome = platform::loadAndWait(std::move(request), stop); });
    worker.join();
    return outcome;
}

}  // namespace

TEST(HttpBlockingLoad, AWorkerThreadGetsTheFinalAnswerAfterRedirects) {
    tikoleap::test::LoopbackServer server;
    server.redirect("/a", "/b");
    server.reply("/b", 200, "body of b");
    platform::HttpRequest request;
    request.url = server.url("/a");
    auto outcome = loadOnAThread(request);
    ASSERT_TRUE(outcome.succeeded());
    EXPECT_EQ(outcome.body, "body of b");
    EXPECT_EQ(outcome.response->url, server.url("/b"));

    server.reply("/missing", 404, "no");
    request.url = server.url("/missing");
    outcome = loadOnAThread(request);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.response->status, 404);
}

TEST(HttpBlockingLoad, GivingUpCancelsTheTransfer) {
    tikoleap::test::LoopbackServer server;
    server.slow("/slow", 2, 200, "late");
    platform::HttpRequest request;
    request.url = server.url("/slow");
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        server.waitForHits("/slow", 1);
        stop = true;
    });
    auto outcome = loadOnAThread(request, [&] { return stop.load(); });
    stopper.join();
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, platform::HttpError::Code::Cancelled);
}

TEST(HttpBlockingLoad, HostsUnderInvalidAreNeverLookedUp) {
    for (const char* url : {"http://tikoleap.invalid/iphone/", "https://INVALID./", "http://a.b.Invalid/x"}) {
        SCOPED_TRACE(url);
        platform::HttpRequest request;
        request.url = url;
        auto outcome = loadOnAThread(request);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->code, platform::HttpError::Code::CannotConnect);
    }
    EXPECT_FALSE(platform::isReservedInvalidHost("invalid.example"));
    EXPECT_FALSE(platform::isReservedInvalidHost("notinvalid"));
}
