// A delegate, a script completion or a script responder may drop the last reference to its
// view from inside the call (a slot giving up on a failed ad does): the engine must not touch
// itself afterwards, whatever the call. Meant to run under the address sanitizer.
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

#include "WebTestKit.h"
#include "platform/web/WebKitEngine.h"

using namespace platform::web;
using webtest::runUntil;

namespace {

// Releases the view in the call named `at`.
struct Releaser : WebEngineDelegate {
    std::shared_ptr<WebEngine>* view = nullptr;
    std::string at;
    bool released = false;

    void release(const std::string& call) {
        if (call != at || released) return;
        released = true;
        view->reset();
    }
    bool shouldStartNavigation(const NavigationAction& action) override {
        if (action.url.find("next") != std::string::npos) release("navigation");
        return true;
    }
    void loadStarted() override { release("loadStarted"); }
    void loadFinished() override { release("loadFinished"); }
    void loadFailed(const WebError& error) override {
        release("loadFailed");
        release("loadFailed " + std::to_string(error.code));
    }
    void contentSizeChanged(ContentSize) override { release("contentSize"); }
    DialogAnswer scriptDialog(const ScriptDialog&) override {
        release("dialog");
        return {true, ""};
    }
};

struct Case {
    const char* name;
    const char* at;  // the call that releases the view
    // Sets the view going towards that call.
    std::function<void(std::shared_ptr<WebEngine>&, Releaser&)> start;
    // The watchdog's probes; slow unless the case is about them, so that they do not end a
    // spinning page before the call the case waits for.
    double probeIntervalSeconds = 30;
};

std::string spinning() {
    return "<html><body><script>onload = () => setTimeout(() => { while (true) {} }, "
           "50);</script></body></html>";
}

void loadPage(std::shared_ptr<WebEngine>& view, const std::string& body) {
    view->loadHTML("<html><body>" + body + "</body></html>", webtest::server().url("/"));
}

void evaluateThenRelease(std::shared_ptr<WebEngine>& view, Releaser& r) {
    auto* slot = &view;
    view->evaluateScript("6 * 7", [slot, &r](const ScriptResult&) {
        r.released = true;
        slot->reset();
    });
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all{
        {"load started", "loadStarted", [](auto& v, auto&) { loadPage(v, "a"); }},
        {"load finished", "loadFinished", [](auto& v, auto&) { loadPage(v, "a"); }},
        {"load failed", "loadFailed",
         [](auto& v, auto&) {
             v->loadRequest({webtest::closedPortUrl("/gone.html"), {}});
         }},
        {"load time-out", "loadFailed -1001",
         [](auto& v, auto&) {
             webtest::hang("/slow.html");
             v->loadRequest({webtest::server().url("/slow.html"), {}});
         }},
        {"navigation decision", "navigation",
         [](auto& v, auto&) { loadPage(v, "<script>onload = () => location = '/next.html';</script>"); }},
        {"content size", "contentSize", [](auto& v, auto&) { loadPage(v, "a"); }},
        {"dialog", "dialog", [](auto& v, auto&) { loadPage(v, "<script>alert('hi')</script>"); }},
        {"script completion", "script",
         [](auto& v, auto& r) {
             loadPage(v, "a");
             ASSERT_TRUE(runUntil([&] { return !v->isLoading() && !v->url().empty(); }));
             evaluateThenRelease(v, r);
         }},
        {"script time-out", "script",
         [](auto& v, auto& r) {
             v->loadHTML(spinning(), webtest::server().url("/"));
             ASSERT_TRUE(runUntil([&] { return !v->isLoading() && !v->url().empty(); }));
             evaluateThenRelease(v, r);
         }},
        {"page stopped as hostile", "loadFailed -1101",
         [](auto& v, auto&) { v->loadHTML(spinning(), webtest::server().url("/")); }, 0.3},
        {"process ended", "loadFailed -1100",
         [](auto& v, auto&) {
             loadPage(v, "a");
             ASSERT_TRUE(runUntil([&] { return !v->isLoading() && !v->url().empty(); }));
             webkit_web_view_terminate_web_process(static_cast<WebKitEngine&>(*v).webView());
         }},
        {"script responder", "responder",
         [](auto& v, auto& r) {
             auto* slot = &v;
             v->setScriptResponder([slot, &r](const ScriptRequest&, ScriptReply reply) {
                 r.released = true;
                 slot->reset();
                 reply.answer("window.late = 1;");
             });
             loadPage(v, "<script src='/mraid.js'></script>");
         }},
        {"deferred script answer", "responder",
         [](auto& v, auto& r) {
             auto* slot = &v;
             v->setScriptResponder([slot, &r](const ScriptRequest&, ScriptReply reply) {
                 webtest::loop().postAfter(0.1, [slot, &r, reply] {
                     r.released = true;
                     slot->reset();
                     reply.answer("window.late = 1;");
                 });
             });
             loadPage(v, "<script src='/mraid.js'></script>");
         }},
    };
    return all;
}

class WebRelease : public ::testing::TestWithParam<Case> {
  protected:
    void TearDown() override {
        webtest::server().clearHits();
        webtest::host(webtest::testLimits());
    }
};

}  // namespace

TEST_P(WebRelease, TheViewGoesInsideTheCallAndNothingTouchesItAfterwards) {
    auto limits = webtest::testLimits();
    limits.loadTimeoutSeconds = 1;
    limits.scriptTimeoutSeconds = 1;
    limits.probeIntervalSeconds = GetParam().probeIntervalSeconds;
    limits.probeTimeoutSeconds = 1;
    webtest::host(limits);
    webtest::page("/next.html", "<html><body>next</body></html>");
    std::shared_ptr<WebEngine> view = webtest::host().createView(320, 50);
    ASSERT_TRUE(view);
    Releaser releaser;
    releaser.view = &view;
    releaser.at = GetParam().at;
    view->setDelegate(&releaser);
    GetParam().start(view, releaser);
    ASSERT_TRUE(runUntil([&] { return releaser.released; }, 8)) << "the call never came";
    EXPECT_EQ(view, nullptr);
    // Whatever the engine and the page still had under way comes and goes without the view.
    webtest::runFor(0.8);
    EXPECT_EQ(webtest::host().liveViews(), 0);
    EXPECT_TRUE(runUntil([] { return webtest::webProcessCount() == 0; }, 5));
}

INSTANTIATE_TEST_SUITE_P(EveryCall, WebRelease, ::testing::ValuesIn(cases()), [](const auto& info) {
    std::string name;
    for (const char* c = info.param.name; *c; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
    }
    return name;
});
