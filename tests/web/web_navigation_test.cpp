// Navigation decisions of the real engine: the host sees every navigation with its type and
// whether the user caused it, custom schemes are refused, local files and data pages never
// load, and a click forwarded at view coordinates runs the page's handler as a user gesture.
#include <gtest/gtest.h>

#include "WebTestKit.h"

using namespace platform::web;
using webtest::evaluate;
using webtest::runUntil;

namespace {

const char* kClickPage = R"(<html><body style='margin:0'>
<div id=ad style='position:absolute;left:0;top:0;width:100px;height:40px;background:#f00'
     onclick="window.clicks = (window.clicks||0) + 1; window.trusted = event.isTrusted;
              window.at = event.clientX + ',' + event.clientY; location.href = 'amsg://clicked?x=1';"></div>
<a id=link href='/landing.html' style='position:absolute;left:0;top:100px;width:100px;height:40px;display:block'>go</a>
</body></html>)";

class WebNavigation : public webtest::ViewTest {
  protected:
    WebNavigation() : ViewTest(320, 480) {}
    void SetUp() override {
        webtest::page("/landing.html", "<html><body>landing</body></html>");
        ViewTest::SetUp();
    }
    void load(const std::string& html) { ViewTest::load(html, server.url("/ad/")); }
    void click(double x, double y) {
        engine->sendMouseEvent({MouseEventType::Move, x, y});
        engine->sendMouseEvent({MouseEventType::Down, x, y});
        engine->sendMouseEvent({MouseEventType::Up, x, y});
    }
};

}  // namespace

TEST_F(WebNavigation, AClickRunsThePageHandlerAsAUserGestureAndItsMessageNavigationIsRefused) {
    load(kClickPage);
    recorder.navigations.clear();
    click(30, 20);
    ASSERT_TRUE(runUntil([&] { return recorder.sawNavigationTo("amsg://"); }));
    const NavigationAction* message = recorder.navigationTo("amsg://");
    EXPECT_EQ(message->url, "amsg://clicked?x=1");
    EXPECT_TRUE(message->userGesture);
    EXPECT_EQ(evaluate(*engine, "[window.clicks, window.trusted, window.at].join(' ')").value,
              "1 true 30,20");
    // The delegate allowed it, yet a message scheme never loads: the page stays.
    webtest::runFor(0.2);
    EXPECT_EQ(engine->url(), server.url("/ad/"));
    EXPECT_EQ(recorder.started, 1);
    EXPECT_TRUE(recorder.failures.empty());
}

TEST_F(WebNavigation, AScriptNavigationWithoutAClickIsNoUserGesture) {
    load(
        "<html><body><script>setTimeout(function(){ location.href = 'amsg://auto'; }, "
        "10);</script></body></html>");
    ASSERT_TRUE(runUntil([&] { return recorder.sawNavigationTo("amsg://auto"); }));
    EXPECT_FALSE(recorder.navigationTo("amsg://auto")->userGesture);
    EXPECT_EQ(recorder.navigationTo("amsg://auto")->type, NavigationType::Other);
}

TEST_F(WebNavigation, ALinkClickedIsALinkNavigationAndLoadsWhenAllowed) {
    load(kClickPage);
    click(20, 110);
    ASSERT_TRUE(runUntil([&] { return recorder.finished == 2; }));
    const NavigationAction* link = recorder.navigationTo(server.url("/landing.html"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->type, NavigationType::LinkClicked);
    EXPECT_TRUE(link->userGesture);
    EXPECT_EQ(engine->url(), server.url("/landing.html"));
}

TEST_F(WebNavigation, ARefusedNavigationLeavesThePageAsItWas) {
    load(kClickPage);
    recorder.allow = false;
    click(20, 110);
    ASSERT_TRUE(runUntil([&] { return recorder.sawNavigationTo(server.url("/landing.html")); }));
    webtest::runFor(0.3);
    EXPECT_EQ(server.count("/landing.html"), 0u);
    EXPECT_EQ(engine->url(), server.url("/ad/"));
    EXPECT_EQ(recorder.finished, 1);
}

TEST_F(WebNavigation, LocalFilesAndDataPagesNeverLoadEvenWhenTheDelegateAllows) {
    load(
        "<html><body><iframe id=f src='file:///etc/hostname'></iframe><script>"
        "setTimeout(function(){ location.href = 'file:///etc/passwd'; }, 10);"
        "setTimeout(function(){ location.href = 'data:text/html,<p>owned</p>'; }, 30);"
        "</script></body></html>");
    ASSERT_TRUE(runUntil([&] { return recorder.sawNavigationTo("data:"); }));
    webtest::runFor(0.3);
    EXPECT_EQ(engine->url(), server.url("/ad/"));
    EXPECT_EQ(evaluate(*engine, "document.body.innerText.indexOf('owned')").value, "-1");
    // Nor can the page read a local file itself.
    evaluate(*engine,
             "window.read = 'waiting'; fetch('file:///etc/hostname').then(r => r.text())"
             ".then(t => { window.read = 'read ' + t.length; }, () => { window.read = 'blocked'; })");
    EXPECT_TRUE(webtest::waitForValue(*engine, "window.read", "blocked"));
    EXPECT_EQ(
        evaluate(*engine, "document.getElementById('f').contentDocument ? 'reachable' : 'closed'").value,
        "closed");
}

TEST_F(WebNavigation, ANewWindowRequestIsDecidedOnceAndLoadsInTheSameView) {
    load(
        "<html><body style='margin:0'><a href='/landing.html' target=_blank "
        "style='display:block;width:200px;height:50px'>open</a></body></html>");
    recorder.navigations.clear();
    click(20, 20);
    ASSERT_TRUE(runUntil([&] { return recorder.finished == 2; }));
    ASSERT_EQ(recorder.navigations.size(), 1u);
    EXPECT_TRUE(recorder.navigations[0].newWindow);
    EXPECT_TRUE(recorder.navigations[0].userGesture);
    EXPECT_EQ(engine->url(), server.url("/landing.html"));
    EXPECT_EQ(webtest::host().liveViews(), 1);
}
