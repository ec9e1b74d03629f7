// What the real engine draws and takes beyond clicks: a transparent background that stays
// transparent in the snapshot, drawing at the window's scale with the layout kept in points,
// keys for the focused page only, wheel and drag scrolling, and the media-playback policy.
#include <gtest/gtest.h>

#include "WebTestKit.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"
#include "platform/web/WebContentView.h"

using namespace platform::web;
using webtest::evaluate;
using webtest::runUntil;
using webtest::waitForValue;

namespace {

using Pixel = std::array<int, 4>;

Pixel at(const platform::Image& image, int x, int y) {
    const auto* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

// A red block of 100 x 40 points at the top left; nothing else is painted.
std::string blockPage(const std::string& bodyAttributes = "") {
    return "<html><body style='margin:0' " + bodyAttributes +
           "><div style='position:absolute;left:0;top:0;width:100px;height:40px;background:#ff0000'>"
           "</div></body></html>";
}

std::string tallPage(const std::string& bodyAttributes = "") {
    return "<html><body style='margin:0' " + bodyAttributes +
           "><div style='height:3000px;background:linear-gradient(#fff,#000)'>tall</div></body></html>";
}

class WebInput : public webtest::ViewTest {
  protected:
    WebInput() : ViewTest(320, 50) {}
    bool showsAt(int x, int y, Pixel rgba) {
        return runUntil([&] { return at(engine->snapshot(), x, y) == rgba; }, 5);
    }
};

}  // namespace

TEST_F(WebInput, ATransparentBackgroundShowsThroughWhereThePagePaintsNothing) {
    engine->setBackgroundColor(platform::ui::Color::clear());
    load(blockPage(), server.url("/"));
    ASSERT_TRUE(showsAt(10, 10, {255, 0, 0, 255}));
    EXPECT_EQ(at(engine->snapshot(), 200, 25), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(at(engine->snapshot(), 100, 39), (Pixel{0, 0, 0, 0}));

    // Half-transparent blue, premultiplied as the snapshot's pixels are.
    engine->setBackgroundColor({0, 0, 1, 0.5f});
    EXPECT_TRUE(runUntil([&] {
        const Pixel p = at(engine->snapshot(), 200, 25);
        return p[0] == 0 && p[1] == 0 && std::abs(p[2] - 128) <= 1 && std::abs(p[3] - 128) <= 1;
    }));
    EXPECT_EQ(at(engine->snapshot(), 10, 10), (Pixel{255, 0, 0, 255}));
    // A page's own background still covers it.
    load("<html><body style='background:#00ff00'></body></html>", server.url("/"));
    EXPECT_TRUE(showsAt(200, 25, {0, 255, 0, 255}));
}

TEST_F(WebInput, AtTheWindowsScaleThePageDrawsFinerButLaysOutAndTakesClicksInPoints) {
    engine->setScale(1.5);
    load(blockPage("onclick=\"window.at = event.clientX + ',' + event.clientY\""), server.url("/"));
    ASSERT_TRUE(runUntil([&] { return engine->snapshot().width == 480; }));
    EXPECT_EQ(engine->snapshot().height, 75);
    EXPECT_EQ(evaluate(*engine, "innerWidth + 'x' + innerHeight").value, "320x50");
    // The 100 x 40 point block covers 150 x 60 pixels.
    ASSERT_TRUE(showsAt(149, 59, {255, 0, 0, 255}));
    EXPECT_NE(at(engine->snapshot(), 151, 30), (Pixel{255, 0, 0, 255}));
    EXPECT_NE(at(engine->snapshot(), 30, 61), (Pixel{255, 0, 0, 255}));

    engine->sendMouseEvent({MouseEventType::Move, 30, 20});
    engine->sendMouseEvent({MouseEventType::Down, 30, 20});
    engine->sendMouseEvent({MouseEventType::Up, 30, 20});
    EXPECT_TRUE(waitForValue(*engine, "String(window.at)", "30,20"));
}

TEST_F(WebInput, KeysReachOnlyAFocusedPageAndItsFocusedField) {
    load(
        "<html><body><input id=f autofocus><script>window.keys = [];"
        "addEventListener('keydown', e => keys.push(e.key));</script></body></html>",
        server.url("/"));
    ASSERT_FALSE(engine->isFocused());
    engine->sendKeyEvent({KeyEventType::Down, "x"});
    engine->sendKeyEvent({KeyEventType::Up, "x"});
    webtest::runFor(0.2);
    EXPECT_EQ(evaluate(*engine, "keys.join(' ')").value, "");

    engine->setFocused(true);
    evaluate(*engine, "document.getElementById('f').focus()");
    for (const char* key : {"H", "i", " ", "\xc3\xa9", "!", "Backspace", "Enter", "ArrowLeft", "NoSuchKey"}) {
        engine->sendKeyEvent({KeyEventType::Down, key});
        engine->sendKeyEvent({KeyEventType::Up, key});
    }
    // The field reads "Hi \xc3\xa9" before the "!" too: wait for the last key, then read the field.
    EXPECT_TRUE(waitForValue(*engine, "keys.join(' ')", "H i   \xc3\xa9 ! Backspace Enter ArrowLeft"));
    EXPECT_EQ(evaluate(*engine, "document.getElementById('f').value").value, "Hi \xc3\xa9");
}

TEST_F(WebInput, ScrollingMovesWhatIsUnderThePointByItsPoints) {
    engine->setScale(1.5);
    load(
        "<html><body style='margin:0'><div id=box style='width:100px;height:50px;overflow:auto'>"
        "<div style='height:500px'>inner</div></div><div style='height:3000px'>tall</div></body></html>",
        server.url("/"));
    engine->sendScrollEvent({200, 25, 0, 120});
    EXPECT_TRUE(waitForValue(*engine, "String(scrollY)", "120"));
    engine->sendScrollEvent({200, 25, 0, -40});
    EXPECT_TRUE(waitForValue(*engine, "String(scrollY)", "80"));
    // Over the scrolling box, the box scrolls and the page stays.
    evaluate(*engine, "scrollTo(0, 0)");
    engine->sendScrollEvent({50, 25, 0, 30});
    EXPECT_TRUE(waitForValue(*engine, "document.getElementById('box').scrollTop + ',' + scrollY", "30,0"));
}

TEST_F(WebInput, WithoutScrollBarsAnOverflowingPageIsAllPageAndStillScrolls) {
    const std::string red =
        "<html><body style='margin:0;background:#ff0000'>"
        "<div id=box style='width:100px;height:50px;overflow:auto'>"
        "<div style='height:500px'></div></div><div style='height:3000px'></div></body></html>";
    load(red, server.url("/"));
    // The desktop's bars take the page's right edge and the scrolling box's.
    EXPECT_TRUE(engine->showsScrollBars());
    ASSERT_TRUE(runUntil([&] { return at(engine->snapshot(), 2, 2) == (Pixel{255, 0, 0, 255}); }));
    EXPECT_NE(at(engine->snapshot(), 317, 25), (Pixel{255, 0, 0, 255}));
    EXPECT_NE(at(engine->snapshot(), 97, 25), (Pixel{255, 0, 0, 255}));

    engine->setShowsScrollBars(false);
    EXPECT_FALSE(engine->showsScrollBars());
    load(red, server.url("/"));
    EXPECT_TRUE(showsAt(317, 25, {255, 0, 0, 255}));
    EXPECT_EQ(at(engine->snapshot(), 97, 25), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(evaluate(*engine, "String(innerWidth - document.documentElement.clientWidth)").value, "0");
    engine->sendScrollEvent({200, 25, 0, 120});
    EXPECT_TRUE(waitForValue(*engine, "String(scrollY)", "120"));
    evaluate(*engine, "scrollTo(0, 0)");
    engine->sendScrollEvent({50, 25, 0, 30});
    EXPECT_TRUE(waitForValue(*engine, "document.getElementById('box').scrollTop + ',' + scrollY", "30,0"));

    engine->setShowsScrollBars(true);
    load(red, server.url("/"));
    ASSERT_TRUE(runUntil([&] { return at(engine->snapshot(), 2, 2) == (Pixel{255, 0, 0, 255}); }));
    EXPECT_TRUE(runUntil([&] { return at(engine->snapshot(), 317, 25) != (Pixel{255, 0, 0, 255}); }));
}

TEST_F(WebInput, OnTheWindowADragScrollsAScrollingPageAndATapStillClicks) {
    platform::ManualRunLoop uiLoop;
    auto window = std::make_shared<platform::ui::Window>();
    window->setRunLoop(&uiLoop);
    platform::ui::UiDriver driver(window, &uiLoop);
    auto view = std::make_shared<WebContentView>(engine);
    view->setFrame({{0, 100}, {320, 50}});
    window->addSubview(view);
    load(tallPage("onclick=\"window.clicked = (window.clicked || 0) + 1\""), server.url("/"));
    ASSERT_TRUE(runUntil([&] { return engine->contentSize().height >= 3000; }));

    driver.drag({160, 145}, {160, 105});
    EXPECT_TRUE(waitForValue(*engine, "String(scrollY)", "40"));
    EXPECT_EQ(evaluate(*engine, "getSelection().toString() + String(window.clicked)").value, "undefined");
    EXPECT_TRUE(engine->isFocused());

    driver.tapAt({160, 120});
    EXPECT_TRUE(waitForValue(*engine, "String(window.clicked)", "1"));
    view->removeFromSuperview();
    EXPECT_FALSE(engine->isFocused());
}

TEST_F(WebInput, MediaNeedsAUserGestureOnlyWhereThePolicySaysSo) {
    // Without a gesture, play() in a view that requires one is refused at once; elsewhere it
    // waits for the (missing) media instead. The page plays by itself, since the host's scripts
    // count as gestures.
    const std::string page =
        "<html><body><script>window.r = 'waiting'; new Audio().play().catch(e => { window.r = e.name; });"
        "setTimeout(() => { if (window.r === 'waiting') window.r = 'not refused'; }, "
        "300);</script></body></html>";
    EXPECT_EQ(engine->mediaPlayback(), MediaPlayback::Automatic);
    load(page, server.url("/"));
    EXPECT_TRUE(waitForValue(*engine, "window.r", "not refused")) << evaluate(*engine, "window.r").value;

    engine->setMediaPlayback(MediaPlayback::RequiresUserGesture);
    EXPECT_EQ(engine->mediaPlayback(), MediaPlayback::RequiresUserGesture);
    load(page, server.url("/"));
    EXPECT_TRUE(waitForValue(*engine, "window.r", "NotAllowedError"));
    // A gesture (the host's script counts as one) still plays.
    evaluate(*engine, page.substr(page.find("window.r"), page.find("</script>") - page.find("window.r")));
    EXPECT_TRUE(waitForValue(*engine, "window.r", "not refused"));
}
