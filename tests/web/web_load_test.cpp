// The real engine against a loopback server: loading, one end event per load, scripts and their
// results, failures and time limits, the user agent, history and content sizes.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "WebTestKit.h"

using namespace platform::web;
using webtest::evaluate;
using webtest::runUntil;

namespace {

class WebLoad : public webtest::ViewTest {
  protected:
    WebLoad() : ViewTest(320, 480) {}
    void SetUp() override {
        webtest::page("/page.html",
                      "<html><head><title>Hello</title></head><body><script>window.answer = 6 * 7;</script>"
                      "<div style='height:1500px'>tall</div></body></html>");
        webtest::page("/second.html", "<html><body>second</body></html>");
        webtest::hang("/never.html");
        ViewTest::SetUp();
    }
    bool waitForEnd() {
        return runUntil([&] { return recorder.finished + static_cast<int>(recorder.failures.size()) > 0; });
    }
};

}  // namespace

TEST_F(WebLoad, ARequestLoadsWithItsHeadersAndScriptsAnswerWithTheirValues) {
    engine->loadRequest({server.url("/page.html"), {{"X-Slot", "banner-1"}}});
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recorder.started, 1);
    EXPECT_EQ(recorder.finished, 1);
    EXPECT_TRUE(recorder.failures.empty());
    EXPECT_EQ(webtest::lastHeader("/page.html", "X-Slot"), "banner-1");
    EXPECT_EQ(engine->url(), server.url("/page.html"));
    EXPECT_FALSE(engine->isLoading());

    EXPECT_EQ(evaluate(*engine, "document.title").value, "Hello");
    EXPECT_EQ(evaluate(*engine, "window.answer").value, "42");
    // An object comes back as JSON (the engine may order its keys either way).
    EXPECT_EQ(nlohmann::json::parse(evaluate(*engine, "({slot: 'banner', sizes: [320, 50]})").value),
              nlohmann::json::parse(R"({"slot":"banner","sizes":[320,50]})"));
    EXPECT_EQ(evaluate(*engine, "undefined").value, "");
    EXPECT_EQ(evaluate(*engine, "'ok\\u0000/../x'").value, std::string("ok\0/../x", 8))
        << "whole, never cut at a NUL";
    const ScriptResult thrown = evaluate(*engine, "throw new Error('creative broke')");
    EXPECT_FALSE(thrown.ok);
    EXPECT_NE(thrown.error.find("creative broke"), std::string::npos) << thrown.error;

    // The page's content is taller than the view, and the host hears of it.
    ASSERT_TRUE(runUntil([&] { return !recorder.sizes.empty() && recorder.sizes.back().height >= 1500; }));
    EXPECT_EQ(recorder.sizes.back().width, 320);
}

TEST_F(WebLoad, HtmlWithABaseUrlResolvesRelativeAddressesAgainstIt) {
    load("<html><body><a id=l href='second.html'>next</a></body></html>", server.url("/ads/"));
    EXPECT_EQ(evaluate(*engine, "document.getElementById('l').href").value, server.url("/ads/second.html"));
    EXPECT_EQ(evaluate(*engine, "location.href").value, server.url("/ads/"));
}

TEST_F(WebLoad, HistoryGoesBackAndForwardAsBackForwardNavigations) {
    engine->loadRequest({server.url("/page.html"), {}});
    ASSERT_TRUE(waitForEnd());
    engine->loadRequest({server.url("/second.html"), {}});
    ASSERT_TRUE(runUntil([&] { return recorder.finished == 2; }));
    EXPECT_TRUE(engine->canGoBack());
    EXPECT_FALSE(engine->canGoForward());

    recorder.navigations.clear();
    engine->goBack();
    ASSERT_TRUE(runUntil([&] { return recorder.finished == 3; }));
    EXPECT_EQ(engine->url(), server.url("/page.html"));
    EXPECT_TRUE(engine->canGoForward());
    ASSERT_FALSE(recorder.navigations.empty());
    EXPECT_EQ(recorder.navigations.back().type, NavigationType::BackForward);

    const std::size_t hitsBefore = server.count("/page.html");
    engine->reload();
    ASSERT_TRUE(runUntil([&] { return recorder.finished == 4; }));
    EXPECT_EQ(recorder.navigations.back().type, NavigationType::Reload);
    EXPECT_GT(server.count("/page.html"), hitsBefore);
}

TEST_F(WebLoad, AFailedLoadIsReportedOnceAndNeverAsFinished) {
    // A port nobody listens on: the connection is refused.
    const std::string url = webtest::closedPortUrl("/gone.html");

    engine->loadRequest({url, {}});
    ASSERT_TRUE(waitForEnd());
    webtest::runFor(0.3);
    ASSERT_EQ(recorder.failures.size(), 1u);
    EXPECT_EQ(recorder.finished, 0);
    EXPECT_EQ(recorder.failures[0].failingUrl, url);
    EXPECT_NE(recorder.failures[0].code, 0);
    EXPECT_FALSE(engine->isLoading());
}

TEST_F(WebLoad, APageThatNeverFinishesIsStoppedAtTheTimeLimit) {
    auto limits = webtest::testLimits();
    limits.loadTimeoutSeconds = 0.8;
    webtest::host(limits);
    engine->loadRequest({server.url("/never.html"), {}});
    ASSERT_TRUE(runUntil([&] { return !recorder.failures.empty(); }, 5));
    webtest::runFor(0.3);
    ASSERT_EQ(recorder.failures.size(), 1u);
    EXPECT_EQ(recorder.failures[0].code, WebError::kTimedOut);
    EXPECT_EQ(recorder.finished, 0);
    EXPECT_FALSE(engine->isLoading());

    // The view is still good for the next page.
    engine->loadRequest({server.url("/second.html"), {}});
    EXPECT_TRUE(runUntil([&] { return recorder.finished == 1; }));
}

TEST_F(WebLoad, StoppingALoadReportsItCancelled) {
    engine->loadRequest({server.url("/never.html"), {}});
    ASSERT_TRUE(runUntil([&] { return recorder.started == 1; }));
    engine->stopLoading();
    ASSERT_TRUE(runUntil([&] { return !recorder.failures.empty(); }, 5));
    EXPECT_EQ(recorder.failures[0].code, WebError::kCancelled);
    EXPECT_EQ(recorder.finished, 0);
}

TEST_F(WebLoad, TheUserAgentCanBeReadAndSetAndReachesTheServer) {
    EXPECT_NE(engine->userAgent().find("Mozilla/5.0"), std::string::npos) << engine->userAgent();
    engine->setUserAgent("TikoLeap/1.0 (test)");
    EXPECT_EQ(engine->userAgent(), "TikoLeap/1.0 (test)");
    engine->loadRequest({server.url("/second.html"), {}});
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(webtest::lastHeader("/second.html", "User-Agent"), "TikoLeap/1.0 (test)");
    EXPECT_EQ(evaluate(*engine, "navigator.userAgent").value, "TikoLeap/1.0 (test)");
}

TEST_F(WebLoad, DialogsAreAnsweredByTheHost) {
    recorder.answer = {true, "Tiko"};
    engine->loadHTML(
        "<html><body><script>alert('hi');"
        "window.c = confirm('sure?'); window.p = prompt('name?', 'Mr');</script></body></html>",
        server.url("/"));
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(recorder.dialogs.size(), 3u);
    EXPECT_EQ(recorder.dialogs[0].kind, DialogKind::Alert);
    EXPECT_EQ(recorder.dialogs[0].message, "hi");
    EXPECT_EQ(recorder.dialogs[1].kind, DialogKind::Confirm);
    EXPECT_EQ(recorder.dialogs[2].kind, DialogKind::Prompt);
    EXPECT_EQ(recorder.dialogs[2].defaultText, "Mr");
    EXPECT_EQ(evaluate(*engine, "String(window.c) + ',' + window.p").value, "true,Tiko");
}
