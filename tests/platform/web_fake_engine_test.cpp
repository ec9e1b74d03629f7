// The navigation rule every web view shares, and the scripted view that unit tests of the ad
// views drive: loads end once, scripts wait for the test, the page's requests reach the host.
#include <gtest/gtest.h>

#include "platform/web/FakeWebEngine.h"

using namespace platform::web;

namespace {

struct Log : WebEngineDelegate {
    std::vector<std::string> events;
    bool allow = true;
    bool shouldStartNavigation(const NavigationAction& a) override {
        events.push_back("ask " + a.url + (a.userGesture ? " (gesture)" : ""));
        return allow;
    }
    void loadStarted() override { events.push_back("started"); }
    void loadFinished() override { events.push_back("finished"); }
    void loadFailed(const WebError& e) override { events.push_back("failed " + std::to_string(e.code)); }
    void contentSizeChanged(ContentSize s) override {
        events.push_back("size " + std::to_string(s.width) + "x" + std::to_string(s.height));
    }
    DialogAnswer scriptDialog(const ScriptDialog& d) override {
        events.push_back("dialog " + d.message);
        return {true, "yes"};
    }
};

}  // namespace

TEST(WebNavigationRule, SchemesAreReadLowerCasedAndOnlyWebSchemesLoad) {
    EXPECT_EQ(WebEngine::schemeOf("AMSG://open?x=1"), "amsg");
    EXPECT_EQ(WebEngine::schemeOf("deeplink+://app"), "deeplink+");
    EXPECT_EQ(WebEngine::schemeOf("HTTPS://example.test/"), "https");
    EXPECT_EQ(WebEngine::schemeOf("/relative/path:x"), "");
    EXPECT_EQ(WebEngine::schemeOf("1http://x"), "");
    EXPECT_EQ(WebEngine::schemeOf("no-colon"), "");

    Log log;
    for (const char* url : {"http://a.test/", "HTTPS://a.test/", "about:blank"}) {
        EXPECT_TRUE(WebEngine::decideNavigation(&log, {url, NavigationType::Other, false, false})) << url;
        EXPECT_TRUE(WebEngine::decideNavigation(nullptr, {url, NavigationType::Other, false, false})) << url;
    }
    // Every other scheme is seen by the delegate, then refused whatever it answers.
    for (const char* url : {"amsg://x", "file:///etc/passwd", "data:text/html,hi", "javascript:alert(1)",
                            "mailto:a@b.test", "tikoleap-script://script", ""}) {
        log.events.clear();
        EXPECT_FALSE(WebEngine::decideNavigation(&log, {url, NavigationType::LinkClicked, true, false}))
            << url;
        EXPECT_EQ(log.events.size(), 1u) << url;
        EXPECT_FALSE(WebEngine::decideNavigation(nullptr, {url, NavigationType::Other, false, false})) << url;
    }
    log.allow = false;
    EXPECT_FALSE(WebEngine::decideNavigation(&log, {"https://a.test/", NavigationType::Other, false, false}));
}

TEST(FakeWebEngine, ALoadEndsOnceAndANewLoadCancelsTheOneRunning) {
    FakeWebEngine web;
    Log log;
    web.setDelegate(&log);
    web.loadHTML("<p>ad</p>", "https://ads.test/");
    ASSERT_EQ(web.loadCalls().size(), 1u);
    EXPECT_EQ(web.loadCalls()[0].baseUrl, "https://ads.test/");
    EXPECT_TRUE(log.events.empty()) << "nothing loads until the test says so";

    EXPECT_TRUE(web.navigate("https://ads.test/", NavigationType::Other));
    EXPECT_TRUE(web.isLoading());
    web.failLoad({"web", -1004, "refused", "https://ads.test/"});
    web.finishLoad();  // a failed load never finishes as well
    EXPECT_FALSE(web.navigate("amsg://click", NavigationType::LinkClicked, true));
    EXPECT_TRUE(web.navigate("https://a.test/1"));
    EXPECT_TRUE(web.navigate("https://a.test/2"));
    web.finishLoad();
    web.finishLoad();
    EXPECT_EQ(web.url(), "https://a.test/2");
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"ask https://ads.test/", "started", "failed -1004",
                                        "ask amsg://click (gesture)", "ask https://a.test/1", "started",
                                        "ask https://a.test/2", "failed -999", "started", "finished"}));

    web.loadRequest({"https://a.test/3", {{"Referer", "ads.test"}}});
    EXPECT_TRUE(web.navigate("https://a.test/3"));
    web.stopLoading();
    EXPECT_EQ(log.events.back(), "failed -999");
    EXPECT_EQ(web.loadCalls()[1].headers, (HeaderList{{"Referer", "ads.test"}}));
}

TEST(FakeWebEngine, ScriptsWaitForTheTestAndCompleteInOrder) {
    FakeWebEngine web;
    std::vector<std::string> results;
    web.evaluateScript("first()", [&](const ScriptResult& r) { results.push_back("1:" + r.value); });
    web.evaluateScript("second()", [&](const ScriptResult& r) { results.push_back("2:" + r.error); });
    EXPECT_TRUE(results.empty());
    ASSERT_EQ(web.pendingScripts().size(), 2u);
    EXPECT_EQ(web.pendingScripts()[1].script, "second()");
    EXPECT_TRUE(web.completeScript({true, "ok", ""}));
    EXPECT_TRUE(web.completeScript({false, "", "ReferenceError"}));
    EXPECT_FALSE(web.completeScript({true, "", ""}));
    EXPECT_EQ(results, (std::vector<std::string>{"1:ok", "2:ReferenceError"}));
}

TEST(FakeWebEngine, ThePageSideReachesTheDelegateAndTheResponder) {
    FakeWebEngine web(320, 50);
    Log log;
    EXPECT_EQ(web.requestScript({"https://a.test/mraid.js", ""})->kind, ScriptAnswer::Kind::Decline)
        << "a view without a responder lets the request through";
    EXPECT_FALSE(web.openDialog({DialogKind::Confirm, "sure?", ""}).accepted) << "no host, no yes";
    web.setDelegate(&log);
    std::vector<ScriptReply> later;
    web.setScriptResponder([&](const ScriptRequest& r, ScriptReply reply) {
        if (r.referer.empty()) return reply.decline();
        if (r.url.ends_with("?later")) return later.push_back(reply);
        reply.answer("/* for " + r.referer + " */");
    });
    const auto now = web.requestScript({"https://a.test/mraid.js", "https://a.test/ad.html"});
    ASSERT_TRUE(now.has_value());
    EXPECT_EQ(now->body, "/* for https://a.test/ad.html */");
    EXPECT_EQ(web.requestScript({"https://a.test/mraid.js", ""})->kind, ScriptAnswer::Kind::Decline);
    std::vector<ScriptAnswer> answers;
    web.requestScript({"https://a.test/mraid.js?later", "https://a.test/ad.html"},
                      [&](const ScriptAnswer& a) { answers.push_back(a); });
    web.requestScript({"https://a.test/mraid.js?later", "https://a.test/ad.html"},
                      [&](const ScriptAnswer& a) { answers.push_back(a); });
    ASSERT_EQ(later.size(), 2u);
    EXPECT_TRUE(answers.empty());
    later[0].answer("late");
    later[0].fail();  // a second answer is dropped
    later.clear();    // the unanswered one fails with its last copy
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].body, "late");
    EXPECT_EQ(answers[1].kind, ScriptAnswer::Kind::Fail);
    EXPECT_EQ(web.openDialog({DialogKind::Prompt, "name?", "Mr"}).text, "yes");
    web.changeContentSize({320, 900});
    web.sendMouseEvent({MouseEventType::Down, 3, 4});
    EXPECT_EQ(log.events, (std::vector<std::string>{"dialog name?", "size 320x900"}));
    ASSERT_EQ(web.mouseEvents().size(), 1u);
    EXPECT_EQ(web.mouseEvents()[0].y, 4);

    const platform::Image blank = web.snapshot();
    ASSERT_TRUE(blank.hasBitmap());
    EXPECT_EQ(blank.width, 320);
    EXPECT_EQ(blank.height, 50);
    web.setSize(100, 20);
    EXPECT_EQ(web.snapshot().width, 100);
}
