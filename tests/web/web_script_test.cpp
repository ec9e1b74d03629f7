// The named script ("mraid.js") of a page, as the host answers it: from memory at once or later,
// declined (then loaded from the network as if nothing had intercepted it), failed, or never
// answered (failing at the load's time-out); and a page asking the host's scheme itself, with a
// referer of its choosing, gets nothing.
#include <gtest/gtest.h>

#include <optional>
#include <set>

#include "WebTestKit.h"
#include "platform/foundation/Log.h"
#include "platform/web/ScriptInterception.h"

using namespace platform::web;
using webtest::evaluate;
using webtest::runUntil;

namespace {

class WebScript : public webtest::ViewTest {
  protected:
    WebScript() : ViewTest(320, 50) {}
    void TearDown() override {
        replies.clear();
        ViewTest::TearDown();
    }
    // Answers "/now/mraid.js" at once, declines "/net/", fails "/none/" and keeps the rest for
    // the test to answer (until it calls answerKept).
    void respond() {
        engine->setScriptResponder([this](const ScriptRequest& r, ScriptReply reply) {
            asked.push_back(r);
            if (r.url.find("/now/") != std::string::npos || keptAnswer)
                return reply.answer(keptAnswer
                                        ? *keptAnswer
                                        : "window.mraid = { getVersion: function() { return '2.0'; } };");
            if (r.url.find("/net/") != std::string::npos) return reply.decline();
            if (r.url.find("/none/") != std::string::npos) return reply.fail();
            replies.push_back(reply);
        });
    }
    // The engine may ask again for a script still unanswered (its preload, then the tag), so
    // every kept request is answered, and later ones at once.
    void answerKept(const std::string& body) {
        keptAnswer = body;
        for (auto& reply : replies) reply.answer(body);
    }

    std::vector<ScriptRequest> asked;
    std::vector<ScriptReply> replies;
    std::optional<std::string> keptAnswer;
};

}  // namespace

TEST_F(WebScript, AnsweredAtOnceOrLaterWithThePageAsReferer) {
    respond();
    webtest::page(
        "/creative.html",
        "<html><head><script src='/now/mraid.js?v=3'></script><script src='/later/mraid.js'></script>"
        "</head><body><script src='other.js'></script></body></html>");
    webtest::page("/other.js", "window.other = 'from the network';", "application/javascript");
    engine->loadRequest({server.url("/creative.html"), {}});
    ASSERT_TRUE(runUntil([&] { return !replies.empty(); }));
    webtest::runFor(0.3);
    EXPECT_EQ(recorder.finished, 0) << "the page waits for its script";
    answerKept("window.late = 'later';");
    ASSERT_TRUE(runUntil([&] { return recorder.finished == 1; }));

    EXPECT_EQ(evaluate(*engine, "mraid.getVersion() + ',' + window.late + ',' + window.other").value,
              "2.0,later,from the network");
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked[0].url, server.url("/now/mraid.js?v=3"));
    EXPECT_EQ(asked[0].referer, server.url("/creative.html"));
    EXPECT_EQ(server.count("/now/mraid.js") + server.count("/later/mraid.js"), 0u);
    EXPECT_GE(server.count("/other.js"), 1u);
}

TEST_F(WebScript, ADeclinedScriptLoadsFromTheNetworkAFailedOneIsMissingAndOnlyExactNamesAreTaken) {
    respond();
    webtest::page("/net/mraid.js", "window.fromNet = 'yes';", "application/javascript");
    webtest::page("/none/mraid.js", "window.fromNet = 'wrong';", "application/javascript");
    webtest::page("/mraid.js.map", "{}", "application/json");
    webtest::page("/mymraid.js", "window.mine = 1;", "application/javascript");
    engine->setUserAgent("TikoLeapTest/1");
    load(
        "<html><head><script src='/net/mraid.js'></script>"
        "<script src='/none/mraid.js' onerror='window.missing = true'></script>"
        "<script src='/mymraid.js'></script></head><body>"
        "<script>fetch('/mraid.js.map').then(r => r.text()).then(t => window.map = t)</script></body></html>",
        server.url("/page.html"));
    ASSERT_TRUE(webtest::waitForValue(*engine, "window.map", "{}"));
    std::set<std::string> urls;  // a failed request may be asked again (the preload, then the tag)
    for (const auto& a : asked) urls.insert(a.url);
    EXPECT_EQ(urls, (std::set<std::string>{server.url("/net/mraid.js"), server.url("/none/mraid.js")}));
    EXPECT_EQ(evaluate(*engine, "window.fromNet + ',' + window.missing + ',' + window.mine").value,
              "yes,true,1");
    EXPECT_EQ(server.count("/net/mraid.js"), 1u);
    EXPECT_EQ(webtest::lastHeader("/net/mraid.js", "User-Agent"), "TikoLeapTest/1");
    EXPECT_EQ(webtest::lastHeader("/net/mraid.js", "Referer"), server.url("/page.html"));
    EXPECT_EQ(server.count("/none/mraid.js"), 0u);
    EXPECT_GE(server.count("/mymraid.js"), 1u);
    EXPECT_TRUE(recorder.failures.empty());
}

TEST_F(WebScript, AScriptNeverAnsweredFailsAtTheLoadTimeOutAndALateAnswerIsDropped) {
    auto limits = webtest::testLimits();
    limits.loadTimeoutSeconds = 1;
    webtest::host(limits);
    respond();
    load(
        "<html><body><script>onload = () => setTimeout(() => { var s = document.createElement('script');"
        "s.src = '/late/mraid.js'; s.onerror = () => window.missing = 'yes';"
        "document.body.appendChild(s); }, 50);</script></body></html>",
        server.url("/"));
    ASSERT_TRUE(runUntil([&] { return !replies.empty(); }));
    ASSERT_TRUE(webtest::waitForValue(*engine, "String(window.missing)", "yes", 3));
    answerKept("window.missing = 'answered';");
    webtest::runFor(0.2);
    EXPECT_EQ(evaluate(*engine, "window.missing").value, "yes");
}

TEST_F(WebScript, APageAskingTheHostSchemeItselfGetsNothingWhateverItsReferer) {
    respond();
    webtest::page("/now/mraid.js", "window.mraid = 'from the network';", "application/javascript");
    const std::string forged = ScriptInterception::scheme() + std::string("://script?url=") +
                               server.url("/now/mraid.js") + "&referer=" + server.url("/creative.html");
    load("<html><body><script>fetch('" + forged +
             "').then(r => r.text()).then(t => window.forged = 'answered: ' + t,"
             " () => window.forged = 'refused');</script>"
             "<script src='" +
             forged + "' onerror='window.tag = \"refused\"'></script></body></html>",
         server.url("/creative.html"));
    ASSERT_TRUE(
        webtest::waitForValue(*engine, "String(window.forged) + ',' + window.tag", "refused,refused"));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(evaluate(*engine, "typeof window.mraid").value, "undefined");
}

TEST_F(WebScript, APageAskingTheHostSchemeOverAndOverIsToldOnceAPage) {
    int told = 0;
    auto previous = platform::setLogSink([&](const std::string& line) {
        if (line.find("did not divert") != std::string::npos) ++told;
    });
    const std::string forged =
        ScriptInterception::scheme() + std::string("://script?url=") + server.url("/x.js");
    const auto asking = [&](int times) {
        return "<html><body><script>window.refused = 0; for (var i = 0; i < " + std::to_string(times) +
               "; ++i) fetch('" + forged + "&n=' + i).catch(() => ++window.refused);</script></body></html>";
    };
    load(asking(40), server.url("/a.html"));
    EXPECT_TRUE(webtest::waitForValue(*engine, "String(window.refused)", "40"));
    EXPECT_EQ(told, 1);
    load(asking(200), server.url("/b.html"));
    EXPECT_TRUE(webtest::waitForValue(*engine, "String(window.refused)", "200"));
    EXPECT_EQ(told, 2);
    // A page loading itself again and again is still the one page the host loaded.
    webtest::page("/again.html",
                  "<html><body><script>var n = Number(location.search.slice(1)) || 0; fetch('" + forged +
                      "&n=' + n).catch(() => { if (n < 4) location.replace('/again.html?' + (n + 1));"
                      " else window.done = 1; });</script></body></html>");
    engine->loadRequest({server.url("/again.html"), {}});
    EXPECT_TRUE(webtest::waitForValue(*engine, "String(window.done)", "1"));
    EXPECT_EQ(told, 3);
    EXPECT_TRUE(recorder.failures.empty());
    platform::setLogSink(previous);
}
