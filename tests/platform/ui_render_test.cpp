// Drawing the window with headless OpenGL ES 1.1: label glyphs in a PNG capture, the raw GL hook
// for a view with its own drawing, views left undrawn under an opaque cover, and a transition's
// and a presentation's frames on the virtual clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/gl/GL.h"
#include "platform/gl/GLContext.h"
#include "platform/image/PngCodec.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextMeasure.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowHost.h"
#include "platform/ui/WindowRenderer.h"
#include "platform/window/Window.h"
#include "support/TempDir.h"

using namespace platform::ui;
using platform::Rect;

namespace {

struct Frame {
    std::vector<std::uint8_t> rgba;
    int w = 0, h = 0;
    const std::uint8_t* at(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * w + x) * 4]; }
    // Pixels in the rectangle (pixels, y from the top) whose red channel exceeds `level`.
    int bright(int x0, int y0, int x1, int y1, int level = 128) const {
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) n += at(x, y)[0] > level ? 1 : 0;
        }
        return n;
    }
};

struct GLStage {
    std::string error;
    std::shared_ptr<platform::GLContext> gl = platform::GLContext::createHeadless(&error);
    platform::ManualRunLoop loop;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::unique_ptr<WindowRenderer> renderer;
    UiDriver driver{window, &loop};

    explicit GLStage(float scale) {
        window->setRunLoop(&loop);
        window->setBackgroundColor(Color::black());
        if (gl) renderer = std::make_unique<WindowRenderer>(gl, scale);
    }
    Frame frame() {
        Frame f;
        EXPECT_TRUE(renderer->render(*window));
        f.rgba = renderer->readPixels(f.w, f.h);
        return f;
    }
};

// Fills its bounds red with plain GL calls, as a game view would draw.
class RawRedView : public View {
  public:
    using View::View;
    int width = 0, height = 0;
    void draw(DrawContext& ctx) override {
        DrawContext::RawGL raw(ctx, bounds());
        width = raw.width();
        height = raw.height();
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
};

}  // namespace

TEST(UiRendering, PngCaptureOfALabelShowsGlyphPixels) {
    GLStage s(2.0f);
    if (!s.gl) GTEST_SKIP() << "no headless GL here: " << s.error;
    auto label = std::make_shared<Label>(Rect{20, 40, 280, 40});
    label->setFont(Font::boldSystem(30));
    label->setTextColor(Color::white());
    label->setTextAlignment(TextAlignment::Center);
    s.window->addSubview(label);

    // Without text the label area stays black: the bright pixels below come from glyphs.
    Frame empty = s.frame();
    ASSERT_EQ(empty.w, 640);
    ASSERT_EQ(empty.h, 960);
    EXPECT_EQ(empty.bright(40, 80, 600, 160), 0);

    label->setText("Tiko Leap");
    tikoleap::test::TempDir tmp("ui-render");
    const auto png = tmp.file("label.png");
    std::string err;
    ASSERT_TRUE(s.driver.capture(*s.renderer, png.string(), &err)) << err;
    auto decoded = platform::loadPng(png.string(), &err);
    ASSERT_TRUE(decoded) << err;
    ASSERT_EQ(decoded->width, 640);
    ASSERT_EQ(decoded->height, 960);

    Frame f;
    f.w = decoded->width;
    f.h = decoded->height;
    f.rgba = decoded->pixels;
    const int inside = f.bright(40, 80, 600, 160);
    EXPECT_GT(inside, 500);           // a 30-point bold line at scale 2 covers thousands of pixels
    EXPECT_LT(inside, 560 * 80 / 2);  // glyphs, not a filled box
    EXPECT_EQ(f.bright(0, 200, 640, 960), 0);
    // Centred text leaves both ends of the label empty.
    EXPECT_EQ(f.bright(40, 80, 100, 160), 0);
    EXPECT_EQ(f.bright(540, 80, 600, 160), 0);
}

TEST(UiRendering, AOneLineTextTooWideShrinksThenEndsInAnEllipsisNeverWraps) {
    constexpr float kScale = 1.5f;
    GLStage s(kScale);
    if (!s.gl) GTEST_SKIP() << "no headless GL here: " << s.error;
    const Rect box{20, 40, 256, 44};
    auto label = std::make_shared<Label>(box);
    label->setFont(Font::boldSystem(20));
    label->setTextColor(Color::white());
    s.window->addSubview(label);
    // Runs of pixel rows with ink, and whether ink reaches the box's last tenth.
    auto look = [&](const std::string& text) {
        label->setText(text);
        const Frame f = s.frame();
        const int x0 = static_cast<int>(box.minX() * kScale), x1 = static_cast<int>(box.maxX() * kScale);
        int runs = 0;
        bool inRun = false;
        for (int y = static_cast<int>(box.minY() * kScale); y < static_cast<int>(box.maxY() * kScale); ++y) {
            const bool ink = f.bright(x0, y, x1, y + 1) > 0;
            if (ink && !inRun) ++runs;
            inRun = ink;
        }
        const bool reachesEnd = f.bright(x1 - (x1 - x0) / 10, static_cast<int>(box.minY() * kScale), x1,
                                         static_cast<int>(box.maxY() * kScale)) > 0;
        return std::pair{runs, reachesEnd};
    };
    const Font font = Font::boldSystem(20);
    EXPECT_EQ(look("Level: Normal"), (std::pair{1, false}));
    EXPECT_EQ(fitLine("Level: Normal", font, box.size.width, kScale).fontSize, 20);

    // A locked level's row: shrunk whole onto its line, its lock mark included.
    const std::string locked = "Level: Right+Enemy (Locked)";
    const LineFit shrunk = fitLine(locked, font, box.size.width, kScale);
    EXPECT_LT(shrunk.fontSize, 20);
    EXPECT_GE(shrunk.fontSize, 20 * kMinLineScale);
    EXPECT_FALSE(shrunk.ellipsized);
    EXPECT_EQ(look(locked), (std::pair{1, true})) << "wrapped onto a clipped second line";

    // Far too long: as small as it goes, cut with an ellipsis, still one line.
    const std::string essay = locked + " and a great many more words than any row holds";
    const LineFit cut = fitLine(essay, font, box.size.width, kScale);
    EXPECT_TRUE(cut.ellipsized);
    EXPECT_FLOAT_EQ(cut.fontSize, 20 * kMinLineScale);
    EXPECT_EQ(look(essay), (std::pair{1, true}));
}

TEST(UiRendering, ViewWithItsOwnGLDrawsInsideItsFrameOnly) {
    GLStage s(2.0f);
    if (!s.gl) GTEST_SKIP() << "no headless GL here: " << s.error;
    auto game = std::make_shared<RawRedView>(Rect{10, 100, 100, 50});
    s.window->addSubview(game);
    // Toolkit drawing after the raw view still works (state restored).
    auto after = std::make_shared<View>(Rect{200, 300, 50, 50});
    after->setBackgroundColor(Color::white());
    s.window->addSubview(after);
    Frame f = s.frame();
    EXPECT_EQ(game->width, 200);
    EXPECT_EQ(game->height, 100);
    EXPECT_EQ(f.bright(20, 200, 220, 300), 200 * 100);
    EXPECT_EQ(f.bright(0, 0, 640, 190), 0);
    EXPECT_EQ(f.bright(20, 310, 220, 400), 0);
    EXPECT_EQ(f.bright(400, 600, 500, 700), 100 * 100);
}

TEST(UiRendering, AViewUnderAnOpaqueCoverIsNotDrawnWhileOneUnderAnythingSeeThroughIs) {
    GLStage s(1.0f);
    if (!s.gl) GTEST_SKIP() << "no headless GL here: " << s.error;
    auto game = std::make_shared<RawRedView>(Rect{0, 0, 320, 480});
    s.window->addSubview(game);
    auto cover = std::make_shared<View>(Rect{0, 0, 320, 480});
    cover->setBackgroundColor(Color::black());
    s.window->addPresentedView(cover);
    // How much of the window is red, and whether the game was drawn at all.
    const auto frame = [&] {
        game->width = 0;
        const int red = s.frame().bright(0, 0, 320, 480);
        return std::pair{red, game->width != 0};
    };
    EXPECT_EQ(frame(), (std::pair{0, false}));

    cover->setAlpha(0.25f);
    EXPECT_EQ(frame(), (std::pair{320 * 480, true}));
    cover->setAlpha(1);
    cover->setTransform(AffineTransform::translation(0, 240));
    EXPECT_EQ(frame(), (std::pair{320 * 240, true}));
    cover->setTransform(AffineTransform::identity());
    // A clear cover hides the game only where a subview of its own paints all of it.
    cover->setBackgroundColor(Color::clear());
    auto half = std::make_shared<View>(Rect{0, 0, 320, 240});
    half->setBackgroundColor(Color::white());
    cover->addSubview(half);
    EXPECT_EQ(frame(), (std::pair{320 * 480, true}));  // white counts as red too
    half->setFrame({0, 0, 320, 480});
    EXPECT_EQ(frame(), (std::pair{320 * 480, false}));
    half->setHidden(true);
    EXPECT_EQ(frame(), (std::pair{320 * 480, true}));
    s.window->removePresentedView(cover.get());
}

TEST(UiRendering, CurlDownShowsTheNewScreenComingOverTheOld) {
    GLStage s(1.0f);
    if (!s.gl) GTEST_SKIP() << "no headless GL here: " << s.error;
    auto white = std::make_shared<ViewController>();
    white->view()->setBackgroundColor(Color::white());
    auto black = std::make_shared<ViewController>();
    black->view()->setBackgroundColor(Color::black());
    s.window->setRootViewController(white);
    EXPECT_EQ(s.frame().bright(0, 0, 320, 480), 320 * 480);

    s.window->setRootViewController(black);
    s.window->transition(WindowTransition::CurlDown, 0.5);
    s.driver.advance(0.25);
    Frame mid = s.frame();
    EXPECT_EQ(mid.bright(0, 0, 320, 200), 0);            // the new page covers the top half
    EXPECT_EQ(mid.bright(0, 300, 320, 480), 320 * 180);  // the old one still shows below
    s.driver.advance(0.25);
    EXPECT_EQ(s.window->activeTransition(), WindowTransition::None);
    EXPECT_EQ(s.frame().bright(0, 0, 320, 480), 0);

    // A flip halfway is edge-on: almost nothing of either page shows.
    s.window->setRootViewController(white);
    s.window->transition(WindowTransition::FlipFromRight, 0.5);
    s.driver.advance(0.125);
    Frame quarter = s.frame();
    EXPECT_EQ(quarter.bright(0, 0, 320, 480), 0);  // the old (black) page turning away
    s.driver.advance(0.25);
    Frame three = s.frame();
    EXPECT_GT(three.bright(0, 0, 320, 480), 0);  // the new (white) page turning in
    EXPECT_LT(three.bright(0, 0, 320, 480), 320 * 480);
}

TEST(UiRendering, APresentedScreenSlidesUpOverTheRootAtEveryScale) {
    for (const float scale : {1.0f, 1.5f, 2.0f}) {
        SCOPED_TRACE(scale);
        GLStage s(scale);
        if (!s.gl) GTEST_SKIP() << "no headless GL here: " << s.error;
        auto root = std::make_shared<ViewController>();
        root->view()->setBackgroundColor(Color::white());
        s.window->setRootViewController(root);
        auto cover = std::make_shared<ViewController>();
        cover->view()->setBackgroundColor(Color::black());
        ASSERT_TRUE(root->presentViewController(cover, true));
        s.driver.advance(ViewController::kPresentationSeconds / 2);
        const Frame mid = s.frame();
        const int w = mid.w, h = mid.h;
        // Half-way: the root above, the new screen's top edge at the middle of the window.
        EXPECT_EQ(mid.bright(0, 0, w, h * 4 / 10), w * (h * 4 / 10));
        EXPECT_EQ(mid.bright(0, h * 6 / 10, w, h), 0);
        s.driver.advance(ViewController::kPresentationSeconds / 2 + 0.02);
        EXPECT_EQ(s.frame().bright(0, 0, w, h), 0);
        root->dismissViewController(true);
        s.driver.advance(ViewController::kPresentationSeconds + 0.02);
        EXPECT_EQ(s.frame().bright(0, 0, w, h), w * h);
    }
}

TEST(UiRendering, AlertIsDrawnOverTheScreen) {
    GLStage s(1.0f);
    if (!s.gl) GTEST_SKIP() << "no headless GL here: " << s.error;
    s.window->makeKeyAndVisible();
    auto alert = std::make_shared<AlertView>("Calibration Error", "Hold the device flat.",
                                             std::weak_ptr<AlertViewDelegate>{}, "OK");
    alert->show();
    Frame f = s.frame();
    const Rect r = alert->frame();
    EXPECT_GT(r.size.height, 80);
    // The panel's light rim and its white text show inside its frame, and nowhere far outside.
    EXPECT_GT(f.bright(static_cast<int>(r.minX()), static_cast<int>(r.minY()), static_cast<int>(r.maxX()),
                       static_cast<int>(r.maxY())),
              200);
    EXPECT_EQ(f.bright(0, 0, 320, std::max(0, static_cast<int>(r.minY()) - 4)), 0);
}

TEST(UiRendering, HostShowsTheWindowOnTheDesktop) {
    const char* previous = std::getenv("SDL_VIDEODRIVER");
    const std::string saved = previous != nullptr ? previous : "";
    const char* display = std::getenv("DISPLAY");
    // Without a display, SDL's invisible driver runs the same path.
    if (!display || !*display) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    platform::ManualRunLoop loop;
    auto window = std::make_shared<Window>();
    window->setRunLoop(&loop);
    window->setBackgroundColor(Color::black());
    auto label = std::make_shared<Label>(Rect{0, 0, 320, 60});
    label->setText("Hosted");
    label->setTextColor(Color::white());
    window->addSubview(label);
    std::string error;
    auto host = WindowHost::create(window, "tikoleap ui test", &error);
    if (previous != nullptr) {
        setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
    } else {
        unsetenv("SDL_VIDEODRIVER");
    }
    if (!host) GTEST_SKIP() << "no desktop window here: " << error;
    auto timer = host->attach(loop, 0.05);
    loop.advance(0.2);
    timer->invalidate();
    Frame f;
    f.rgba = host->renderer().readPixels(f.w, f.h);
    ASSERT_GE(f.w, 320);
    EXPECT_GT(f.bright(0, 0, f.w, f.h / 8), 20);
    EXPECT_FALSE(host->quitRequested());

    // The desktop's screensaver follows the application's idle timer; a host that is gone is
    // told nothing more.
    Application& app = window->application();
    app.setIdleTimerDisabled(true);
    EXPECT_FALSE(host->desktop().isScreenSaverAllowed());
    app.setIdleTimerDisabled(false);
    EXPECT_TRUE(host->desktop().isScreenSaverAllowed());
    app.setIdleTimerDisabled(true);
    host.reset();
    app.setIdleTimerDisabled(false);
}
