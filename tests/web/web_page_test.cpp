// What the host sees of a page: snapshots of the drawn page, and the page shown in the window
// through a texture.
#include <glib.h>
#include <gtest/gtest.h>

#include "WebTestKit.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "platform/web/WebContentView.h"

using namespace platform::web;
using webtest::evaluate;
using webtest::runUntil;

namespace {

// Two blocks of known colour on white: red 100 x 40 at the top left, blue below it.
const char* kColourPage = R"(<html><body style='margin:0;background:#fff'>
<div style='position:absolute;left:0;top:0;width:100px;height:40px;background:#ff0000'></div>
<div style='position:absolute;left:0;top:40px;width:100px;height:10px;background:#0000ff'></div>
</body></html>)";

class WebPage : public webtest::ViewTest {
  protected:
    WebPage() : ViewTest(320, 50) {}
    static std::array<int, 4> at(const platform::Image& image, int x, int y) {
        const auto* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    // Waits until the drawn page shows `rgba` at (x, y).
    bool showsAt(int x, int y, std::array<int, 4> rgba) {
        return runUntil([&] { return at(engine->snapshot(), x, y) == rgba; }, 5);
    }
};

}  // namespace

TEST_F(WebPage, ASnapshotHoldsThePagePixelsAsPremultipliedRgba) {
    load(kColourPage, server.url("/"));
    ASSERT_TRUE(showsAt(10, 10, {255, 0, 0, 255}));
    const platform::Image shot = engine->snapshot();
    ASSERT_TRUE(shot.hasBitmap());
    EXPECT_EQ(shot.width, 320);
    EXPECT_EQ(shot.height, 50);
    EXPECT_EQ(shot.content, platform::Image::Content::RGBAPremultiplied);
    EXPECT_EQ(at(shot, 99, 39), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(at(shot, 50, 45), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(at(shot, 200, 25), (std::array<int, 4>{255, 255, 255, 255}));

    // Resized, the view draws the page at its new size.
    engine->setSize(120, 60);
    ASSERT_TRUE(runUntil([&] { return engine->snapshot().width == 120; }));
    EXPECT_EQ(engine->snapshot().height, 60);
    EXPECT_TRUE(showsAt(110, 55, {255, 255, 255, 255}));
}

TEST_F(WebPage, ASnapshotTakenAsALoadStartsIsDrawnWithoutAToolkitComplaint) {
    // The engine asks for a new layout as a load starts; a window drawn before the loop runs
    // again (the in-app browser opening) takes its snapshot then.
    int complaints = 0;
    const guint handler = g_log_set_handler(
        "Gtk", static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
        [](const gchar*, GLogLevelFlags, const gchar*, gpointer count) { ++*static_cast<int*>(count); },
        &complaints);
    engine->loadHTML(kColourPage, server.url("/"));
    const platform::Image shot = engine->snapshot();
    g_log_remove_handler("Gtk", handler);
    EXPECT_EQ(complaints, 0);
    EXPECT_EQ(shot.width, 320);
    ASSERT_TRUE(runUntil([&] { return recorder.finished == 1; }));
    EXPECT_TRUE(showsAt(10, 10, {255, 0, 0, 255}));
}

TEST_F(WebPage, TheWindowShowsThePageAtItsRectangleAndATapReachesIt) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    ASSERT_TRUE(gl) << error;
    platform::ManualRunLoop uiLoop;
    auto window = std::make_shared<platform::ui::Window>();
    window->setRunLoop(&uiLoop);
    window->setBackgroundColor(platform::ui::Color::black());
    auto renderer = std::make_unique<platform::ui::WindowRenderer>(gl, 1.0f);
    platform::ui::UiDriver driver(window, &uiLoop);

    auto view = std::make_shared<WebContentView>(engine);
    view->setFrame({{0, 430}, {320, 50}});  // a banner at the bottom of the 320 x 480 window
    window->addSubview(view);
    load(R"(<html><body style='margin:0;background:#ff0000'
         onclick="window.tapped = event.clientX + ',' + event.clientY"></body></html>)",
         server.url("/"));
    ASSERT_TRUE(showsAt(5, 5, {255, 0, 0, 255}));

    ASSERT_TRUE(renderer->render(*window));
    int w = 0, h = 0;
    const auto rgba = renderer->readPixels(w, h);
    ASSERT_EQ(w, 320);
    auto px = [&](int x, int y) { return &rgba[(static_cast<std::size_t>(y) * w + x) * 4]; };
    EXPECT_EQ(px(160, 455)[0], 255);  // inside the banner: the page
    EXPECT_EQ(px(160, 455)[1], 0);
    EXPECT_EQ(px(160, 200)[0], 0);  // above it: the window's black

    EXPECT_EQ(driver.tapAt({100, 440}), view);
    ASSERT_TRUE(webtest::waitForValue(*engine, "String(window.tapped)", "100,10"));
    // The view's texture goes while its GL context is still there.
    window.reset();
    view.reset();
}

TEST_F(WebPage, InAWindowDrawnAtScale15ThePageIsDrawnAtThatScaleToo) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    ASSERT_TRUE(gl) << error;
    auto window = std::make_shared<platform::ui::Window>();
    window->setBackgroundColor(platform::ui::Color::black());
    auto renderer = std::make_unique<platform::ui::WindowRenderer>(gl, 1.5f);
    auto view = std::make_shared<WebContentView>(engine);
    view->setFrame({{0, 430}, {320, 50}});
    window->addSubview(view);
    // A 1-point line at the page's top: at scale 1.5 it covers pixel rows 645 and most of 646.
    load(
        "<html><body style='margin:0;background:#0000ff'><div style='height:1px;background:#ff0000'></div>"
        "</body></html>",
        server.url("/"));
    ASSERT_TRUE(renderer->render(*window));
    EXPECT_EQ(engine->scale(), 1.5);
    ASSERT_TRUE(runUntil([&] { return engine->snapshot().width == 480 && showsAt(0, 0, {255, 0, 0, 255}); }));
    EXPECT_EQ(engine->snapshot().height, 75);
    // The view copies a new picture at most 30 times a second: the one it holds may be a frame old.
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgba;
    auto red = [&](int y) { return rgba[(static_cast<std::size_t>(y) * w + 240) * 4]; };
    ASSERT_TRUE(runUntil([&] {
        if (!renderer->render(*window)) return false;
        rgba = renderer->readPixels(w, h);
        return w == 480 && red(645) == 255;
    }));
    EXPECT_EQ(red(644), 0);  // the window's black above the banner
    EXPECT_EQ(red(645), 255);
    EXPECT_EQ(red(648), 0);  // the page's blue below the line
    window.reset();
    view.reset();
}
