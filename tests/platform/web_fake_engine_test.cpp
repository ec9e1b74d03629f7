// The rules every web view shares (navigation, content sizes, key names), the scripted view
// that unit tests of the ad views drive (loads end once, scripts wait for the test, the page's
// requests reach the host, a delegate may release the view from any call), and the web content
// view's touch handling (a drag scrolls a scrolling page, a tap clicks, a touch gives the focus)
// and drawing (the window draws the page again only when it changed, and then shows the change;
// a page is at the screen's scale before its first frame; a slide brings the page in once it has
// drawn at its size).
// What the fake shares with the real engine is in the web tests' conformance suite.
#include <gtest/gtest.h>

#include <array>

#include "platform/gl/GLContext.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Screen.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "platform/web/FakeWebEngine.h"
#include "platform/web/WebContentView.h"

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

// A page's picture all in one premultiplied colour.
platform::Image solid(int width, int height, std::array<std::uint8_t, 4> rgba) {
    platform::Image page;
    page.width = width;
    page.height = height;
    page.content = platform::Image::Content::RGBAPremultiplied;
    for (int i = 0; i < width * height; ++i) page.pixels.insert(page.pixels.end(), rgba.begin(), rgba.end());
    return page;
}

// A window on a virtual clock, drawn by a headless GL context at scale 1.
struct DrawnWindow {
    DrawnWindow() : gl(platform::GLContext::createHeadless(&error)) {
        window->setRunLoop(&loop);
        if (gl) renderer = std::make_unique<platform::ui::WindowRenderer>(gl, 1.0f);
    }
    // The window drawn anew, its pixel at (x, y) from the top as red, green, blue.
    std::array<int, 3> pixel(int x, int y) {
        EXPECT_TRUE(renderer->render(*window));
        int w = 0, h = 0;
        const auto rgba = renderer->readPixels(w, h);
        const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * w + x) * 4];
        return {p[0], p[1], p[2]};
    }

    std::string error;
    std::shared_ptr<platform::GLContext> gl;
    platform::ManualRunLoop loop;
    std::shared_ptr<platform::ui::Window> window = std::make_shared<platform::ui::Window>();
    std::unique_ptr<platform::ui::WindowRenderer> renderer;
};

NavigationAction action(const char* url, NavigationType type = NavigationType::Other, bool gesture = false) {
    NavigationAction a;
    a.url = url;
    a.type = type;
    a.userGesture = gesture;
    return a;
}

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
        EXPECT_TRUE(WebEngine::decideNavigation(&log, action(url))) << url;
        EXPECT_TRUE(WebEngine::decideNavigation(nullptr, action(url))) << url;
    }
    // Every other scheme is seen by the delegate, then refused whatever it answers.
    for (const char* url : {"amsg://x", "file:///etc/passwd", "data:text/html,hi", "javascript:alert(1)",
                            "mailto:a@b.test", "tikoleap-script://script", ""}) {
        log.events.clear();
        EXPECT_FALSE(WebEngine::decideNavigation(&log, action(url, NavigationType::LinkClicked, true)))
            << url;
        EXPECT_EQ(log.events.size(), 1u) << url;
        EXPECT_FALSE(WebEngine::decideNavigation(nullptr, action(url))) << url;
    }
    log.allow = false;
    EXPECT_FALSE(WebEngine::decideNavigation(&log, action("https://a.test/")));
}

TEST(WebContentSizeAndKeys, SizesAreAtLeastOnePointAndOutlandishOnesDroppedKeysAreOneCharacterOrNamed) {
    EXPECT_EQ(WebEngine::acceptContentSize({0, 0}), (ContentSize{1, 1}));
    EXPECT_EQ(WebEngine::acceptContentSize({320, WebEngine::kMaxContentSide}),
              (ContentSize{320, WebEngine::kMaxContentSide}));
    EXPECT_FALSE(WebEngine::acceptContentSize({320, WebEngine::kMaxContentSide + 1}));
    EXPECT_FALSE(WebEngine::acceptContentSize({-1, 50}));
    for (const char* key :
         {"a", "Z", " ", "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "Enter", "ArrowDown"})
        EXPECT_TRUE(WebEngine::isKnownKey(key)) << key;
    for (const char* key : {"", "ab", "\n", "\x7f", "\xc3", "\xc3\xa9x", "\x80", "enter", "F1"})
        EXPECT_FALSE(WebEngine::isKnownKey(key)) << key;
}

TEST(FakeWebEngine, ALoadEndsOnceAndANewLoadCancelsTheOneRunning) {
    FakeWebEngine web;
    Log log;
    web.setDelegate(&log);
    web.loadHTML("<p>ad</p>", "https://ads.test/");
    ASSERT_EQ(web.loadCalls().size(), 1u);
    EXPECT_EQ(web.loadCalls()[0].baseUrl, "https://ads.test/");
    EXPECT_TRUE(log.events.empty()) << "nothing loads until the test says so";

    EXPECT_TRUE(web.startHostLoad());
    EXPECT_FALSE(web.startHostLoad());
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
    EXPECT_TRUE(web.startHostLoad());
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

TEST(FakeWebEngine, ADelegateMayReleaseTheViewFromAnyCall) {
    // A slot giving up on its ad drops the view from inside the view's own report.
    struct Releaser : WebEngineDelegate {
        std::shared_ptr<FakeWebEngine> view;
        std::string releaseOn;
        std::vector<std::string> heard;
        void note(const std::string& what) {
            heard.push_back(what);
            if (what == releaseOn) view.reset();
        }
        void loadStarted() override { note("started"); }
        void loadFailed(const WebError& e) override { note("failed " + std::to_string(e.code)); }
    };
    platform::ManualRunLoop loop;
    for (const char* when : {"failed -999", "started", "failed -1001", "failed -1100", "failed -1101"}) {
        Releaser d;
        d.releaseOn = when;
        d.view = std::make_shared<FakeWebEngine>();
        d.view->useLoop(loop);
        d.view->setLimits({1, 1, 20, 200});
        d.view->setDelegate(&d);
        std::weak_ptr<FakeWebEngine> weak = d.view;
        int scriptsEnded = 0;
        const auto count = [&scriptsEnded](const ScriptResult&) { ++scriptsEnded; };
        d.view->loadRequest({"https://a.test/1", {}});
        loop.runUntilIdle();
        // Called through a plain pointer, as the view's owner alone holds it.
        if (auto* v = d.view.get()) v->navigate("https://a.test/2");  // cancels the first load
        if (auto* v = d.view.get()) v->evaluateScript("a()", count);
        if (auto* v = d.view.get()) v->evaluateScript("b()", count);
        if (std::string(when) == "failed -1100") {
            if (auto* v = d.view.get()) v->endWebProcess();
        }
        loop.advance(2);  // the load times out, then the scripts, and the page is stopped
        EXPECT_TRUE(weak.expired()) << when;
        EXPECT_EQ(d.heard.back(), when);
        EXPECT_LE(scriptsEnded, 2) << when;
    }
}

TEST(WebContentView, ADragScrollsAScrollingPageWhileTapsAndOtherPagesGetTheMouse) {
    platform::ManualRunLoop loop;
    auto window = std::make_shared<platform::ui::Window>();
    window->setRunLoop(&loop);
    platform::ui::UiDriver driver(window, &loop);
    auto web = std::make_shared<FakeWebEngine>(320, 50);
    auto view = std::make_shared<WebContentView>(web);
    view->setFrame({{0, 100}, {320, 50}});
    window->addSubview(view);
    const auto mouse = [&] {
        std::string out;
        for (const auto& e : web->mouseEvents()) {
            out += (e.type == MouseEventType::Down ? "down "
                    : e.type == MouseEventType::Up ? "up "
                                                   : "move ") +
                   std::to_string(static_cast<int>(e.x)) + "," + std::to_string(static_cast<int>(e.y)) + " ";
        }
        return out;
    };

    // A page that fits takes every touch as the mouse, from the press on.
    web->changeContentSize({320, 50});
    driver.drag({100, 110}, {140, 110}, 2);
    EXPECT_EQ(mouse(), "down 100,10 move 120,10 move 140,10 up 140,10 ");
    EXPECT_TRUE(web->scrollEvents().empty());
    EXPECT_TRUE(web->isFocused());

    // A taller page: the drag scrolls by the points the finger moved, and the page gets no press.
    web->changeContentSize({320, 900});
    const std::size_t before = web->mouseEvents().size();
    driver.drag({160, 145}, {160, 105}, 8);
    EXPECT_EQ(web->mouseEvents().size(), before);
    double scrolled = 0;
    for (const auto& s : web->scrollEvents()) scrolled += s.dy;
    EXPECT_DOUBLE_EQ(scrolled, 40);
    // A tap on it is still a click where the finger came down.
    driver.tapAt({30, 120});
    EXPECT_TRUE(mouse().ends_with(" 140,10 move 30,20 down 30,20 up 30,20 ")) << mouse();

    view->typeText("a\n");
    ASSERT_EQ(web->keyEvents().size(), 4u);
    EXPECT_EQ(web->keyEvents()[2].key, "Enter");
    // The window's wheel reaches the page under the pointer, at the page's own coordinates.
    window->handleScroll({view->frame().origin.x + 10, view->frame().origin.y + 12}, -30);
    EXPECT_EQ(web->scrollEvents().back().dy, -30);
    EXPECT_EQ(web->scrollEvents().back().y, 12);
    view->removeFromSuperview();
    EXPECT_FALSE(web->isFocused());
}

TEST(WebContentView, AnUnchangedPageCostsTheWindowNoFrameAndAChangedOneIsShownChanged) {
    DrawnWindow drawn;
    ASSERT_TRUE(drawn.gl) << drawn.error;
    auto& loop = drawn.loop;
    auto& window = drawn.window;
    auto web = std::make_shared<FakeWebEngine>(320, 50);
    const auto paint = [&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        web->setSnapshot(solid(320, 50, {r, g, b, 255}));
    };
    // The window's pixel in the middle of the page, as red, green, blue.
    const auto shown = [&] { return drawn.pixel(160, 455); };
    paint(255, 0, 0);
    auto view = std::make_shared<WebContentView>(web);
    view->setFrame({{0, 430}, {320, 50}});
    window->addSubview(view);
    EXPECT_EQ(shown(), (std::array<int, 3>{255, 0, 0}));

    // A page that stands still: the screen stays idle.
    loop.advance(1);
    EXPECT_FALSE(window->needsDisplay());
    paint(0, 0, 255);
    EXPECT_TRUE(window->needsDisplay());
    EXPECT_EQ(shown(), (std::array<int, 3>{0, 0, 255}));
    // Drawn anew right after the last picture: the next one is taken when it is due, and shows
    // the page as it is then.
    loop.advance(WebPageLimits::kRefreshSeconds / 4);
    paint(0, 255, 0);
    EXPECT_EQ(shown(), (std::array<int, 3>{0, 0, 255}));
    EXPECT_FALSE(window->needsDisplay());
    paint(255, 255, 255);
    loop.advance(WebPageLimits::kRefreshSeconds);
    EXPECT_TRUE(window->needsDisplay());
    EXPECT_EQ(shown(), (std::array<int, 3>{255, 255, 255}));
    // Hidden, the page's drawing asks for no frame; shown again, it is shown as it is now.
    view->setHidden(true);
    shown();
    loop.advance(1);
    paint(255, 0, 255);
    EXPECT_FALSE(window->needsDisplay());
    view->setHidden(false);
    EXPECT_EQ(shown(), (std::array<int, 3>{255, 0, 255}));
    window.reset();
    view.reset();
}

namespace {

// A part of the window whose drawing costs the main loop `seconds` of the window's clock.
class CostlyView : public platform::ui::View {
  public:
    CostlyView(platform::ManualRunLoop& loop, double seconds) : loop_(loop), seconds_(seconds) {}
    void draw(platform::ui::DrawContext&) override { loop_.stall(seconds_); }

  private:
    platform::ManualRunLoop& loop_;
    double seconds_;
};

class CountedEngine : public FakeWebEngine {
  public:
    using FakeWebEngine::FakeWebEngine;
    platform::Image snapshot() override {
        ++copies;
        return FakeWebEngine::snapshot();
    }
    int copies = 0;
};

}  // namespace

// Pages that draw anew all the time, in a window whose frames each cost the main loop 10 ms: the
// frames they ask for, with their copies, cost the game one share of a core between them, and each
// page keeps showing.
TEST(WebContentView, PagesDrawingAnewCostTheGameOneShareWithTheFramesTheyAskFor) {
    DrawnWindow drawn;
    ASSERT_TRUE(drawn.gl) << drawn.error;
    auto& loop = drawn.loop;
    auto& window = drawn.window;
    constexpr double kFrameSeconds = 0.010;
    window->addSubview(std::make_shared<CostlyView>(loop, kFrameSeconds));
    std::vector<std::shared_ptr<CountedEngine>> pages;
    std::vector<std::shared_ptr<WebContentView>> views;
    for (int i = 0; i < 2; ++i) {
        pages.push_back(std::make_shared<CountedEngine>(320, 50));
        views.push_back(std::make_shared<WebContentView>(pages.back()));
        views.back()->setFrame({{0, 50.0f * static_cast<float>(i)}, {320, 50}});
        window->addSubview(views.back());
    }
    constexpr double kSeconds = 20;
    int frames = 0;
    std::uint8_t shade = 0;
    while (loop.now() < kSeconds) {
        ++shade;
        for (auto& page : pages) page->setSnapshot(solid(320, 50, {shade, 0, 0, 255}));
        if (window->needsDisplay()) {
            ASSERT_TRUE(drawn.renderer->render(*window));
            ++frames;
        }
        loop.advance(0.001);
    }
    EXPECT_LE(frames * kFrameSeconds / kSeconds, WebPageLimits::kCopyCoreShare * 1.05);
    for (auto& page : pages) EXPECT_GE(page->copies, kSeconds * 5) << "a page no longer shows its animation";
    window.reset();
    views.clear();
}

TEST(WebContentView, AnOpaquePageHidesWhatLiesUnderItUntilItDrawsSomethingSeeThrough) {
    DrawnWindow drawn;
    ASSERT_TRUE(drawn.gl) << drawn.error;
    auto& loop = drawn.loop;
    auto& window = drawn.window;
    auto under = std::make_shared<platform::ui::View>(platform::Rect{0, 0, 320, 480});
    under->setBackgroundColor(platform::ui::Color{0, 1, 0, 1});
    window->addSubview(under);
    auto web = std::make_shared<FakeWebEngine>(320, 480);
    web->setSnapshot(solid(320, 480, {255, 0, 0, 255}));
    auto view = std::make_shared<WebContentView>(web);
    view->setFrame({{0, 0}, {320, 480}});
    window->addPresentedView(view);
    const auto shown = [&] { return drawn.pixel(160, 240); };
    EXPECT_EQ(shown(), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(shown(), (std::array<int, 3>{255, 0, 0}));
    // The first frame after the page drew something see-through already has what lies under it.
    loop.advance(1);
    web->setSnapshot(solid(320, 480, {0, 0, 0, 0}));
    EXPECT_EQ(shown(), (std::array<int, 3>{0, 255, 0}));
    window.reset();
    view.reset();
}

TEST(WebContentView, APageIsLaidOutAtTheScreensScaleBeforeItIsFirstDrawn) {
    const float previous = platform::ui::Screen::mainScale();
    platform::ui::Screen::setMainScale(1.5f);
    auto web = std::make_shared<FakeWebEngine>(320, 480);
    auto view = std::make_shared<WebContentView>(web);
    platform::ui::Screen::setMainScale(previous);
    // Its first picture in the window fills its place: 1.5 pixels a point on each side.
    const platform::Image first = web->snapshot();
    EXPECT_EQ(first.width, 480);
    EXPECT_EQ(first.height, 720);
}

// A slide brings in the page, not an empty sheet: it waits below the window's edge until the page
// has drawn at the size it takes there, and a page that does not draw again holds it for a bound only.
TEST(WebContentView, ASlideInStartsOnceItsPageHasDrawnAtItsSize) {
    platform::ManualRunLoop loop;
    auto window = std::make_shared<platform::ui::Window>();
    platform::ui::UiDriver driver{window, &loop};
    window->setRunLoop(&loop);
    window->makeKeyAndVisible();
    auto root = std::make_shared<platform::ui::ViewController>();
    window->setRootViewController(root);
    const auto pageShownBy = [](const std::shared_ptr<FakeWebEngine>& web) {
        auto shown = std::make_shared<platform::ui::ViewController>();
        auto page = std::make_shared<WebContentView>(web);
        page->setFrame({{0, 0}, {320, 480}});
        shown->view()->addSubview(page);
        return shown;
    };
    // Drawn, at the size it was loaded at.
    auto web = std::make_shared<FakeWebEngine>(320, 50);
    web->setSnapshot(solid(320, 50, {255, 0, 0, 255}));
    auto shown = pageShownBy(web);
    ASSERT_TRUE(root->presentViewController(shown, true));
    EXPECT_EQ(web->height(), 480);
    driver.advance(0.1);
    EXPECT_FLOAT_EQ(shown->view()->frame().origin.y, 480);
    EXPECT_TRUE(shown->isWaitingToSlide());
    web->setSnapshot(solid(320, 480, {0, 0, 255, 255}));
    EXPECT_FALSE(shown->isWaitingToSlide());
    driver.advance(0.15);
    EXPECT_GT(shown->view()->frame().origin.y, 0);
    EXPECT_LT(shown->view()->frame().origin.y, 480);
    driver.advance(platform::ui::ViewController::kPresentationSeconds);
    EXPECT_FALSE(shown->isBeingPresented());
    EXPECT_EQ(shown->view()->frame(), window->bounds());
    root->dismissViewController(false);

    // A page that drew once and then stands still.
    auto still = std::make_shared<FakeWebEngine>(320, 50);
    still->setSnapshot(solid(320, 50, {255, 0, 0, 255}));
    auto stillShown = pageShownBy(still);
    ASSERT_TRUE(root->presentViewController(stillShown, true));
    driver.advance(platform::ui::ViewController::kShowWaitSeconds / 2);
    EXPECT_TRUE(stillShown->isWaitingToSlide());
    driver.advance(platform::ui::ViewController::kShowWaitSeconds / 2 + 0.01);
    EXPECT_FALSE(stillShown->isWaitingToSlide());
    driver.advance(platform::ui::ViewController::kPresentationSeconds);
    EXPECT_FALSE(stillShown->isBeingPresented());
    root->dismissViewController(false);
}
