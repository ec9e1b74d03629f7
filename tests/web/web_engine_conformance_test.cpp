// The same scenarios against the real engine and the fake one, so that ad tests written
// against the fake hold with the real engine: the host's loads go through the delegate and a
// refused one leaves no trace, history moves through the delegate too, a frame's navigation loads nothing,
// the web process's end reaches an idle view, loads and scripts time out, dialogs and content sizes are
// bounded, a transparent background stays transparent at any scale, keys reach a focused page only,
// and each new drawing of the page moves the frame number and is told while a still page tells nothing. Each
// backend plays the page's side its own way (the real one with real pages on the loopback server, the fake
// one by the test's hand on a virtual clock); the expectations are shared.
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

#include <memory>

#include "WebTestKit.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/web/FakeWebEngine.h"
#include "platform/web/WebKitEngine.h"

using namespace platform::web;

namespace {

struct Limits {
    double loadTimeoutSeconds = 10;
    double scriptTimeoutSeconds = 5;
    int dialogsAnswered = 3;
    int dialogsBeforeStop = 6;
};

class Harness {
  public:
    virtual ~Harness() = default;
    virtual void setLimits(const Limits& limits) = 0;
    virtual bool runUntil(const std::function<bool()>& pred, double seconds) = 0;
    void runFor(double seconds) {
        runUntil([] { return false; }, seconds);
    }
    virtual std::string url(const std::string& path) const = 0;
    // The load the host asked for last finishes; false when it did not.
    virtual bool pageLoads() = 0;
    bool loadPage(const std::string& html) {
        engine->loadHTML(html, url("/conformance/"));
        return pageLoads();
    }
    // The host asks for a page whose server never answers in time.
    virtual void loadHangingPage() = 0;
    // The page's first frame goes to the URL.
    virtual void frameNavigates(const std::string& url) = 0;
    // The page opens alerts one after the other until it has opened `count` or is stopped.
    virtual void pageOpensDialogs(int count) = 0;
    virtual void webProcessCrashes() = 0;
    // The page's content takes width x height points.
    virtual void pageContentBecomes(int width, int height) = 0;
    // The text of the page's field with the focus.
    virtual std::string typedText() = 0;
    // The page paints itself all in one opaque colour.
    virtual void pagePaints(int r, int g, int b) = 0;

    webtest::Recorder recorder;
    std::shared_ptr<WebEngine> engine;
};

// Pages of this shape on both sides: a field that takes the page's focus.
const char* kFieldPage =
    "<html><body><input id=f><script>document.getElementById('f').focus()</script></body></html>";

class RealHarness : public Harness {
  public:
    RealHarness() {
        webtest::page("/conformance/plain.html", "<html><body>plain</body></html>");
        webtest::hang("/conformance/never.html");
        // host() puts the tests' usual limits back; ours come after it.
        engine = webtest::host().createView(320, 50);
        if (engine) engine->setDelegate(&recorder);
        setLimits({});
    }
    ~RealHarness() override {
        if (engine) engine->setDelegate(nullptr);
        engine.reset();
        webtest::server().clearHits();
        webtest::host(webtest::testLimits());
    }
    void setLimits(const Limits& l) override {
        auto limits = webtest::testLimits();
        limits.loadTimeoutSeconds = l.loadTimeoutSeconds;
        limits.scriptTimeoutSeconds = l.scriptTimeoutSeconds;
        limits.dialogsAnswered = l.dialogsAnswered;
        limits.dialogsBeforeStop = l.dialogsBeforeStop;
        webtest::host(limits);
    }
    bool runUntil(const std::function<bool()>& pred, double seconds) override {
        return webtest::runUntil(pred, seconds);
    }
    std::string url(const std::string& path) const override { return webtest::server().url(path); }
    bool pageLoads() override {
        const int before = recorder.finished;
        return runUntil([&] { return recorder.finished > before; }, 10);
    }
    void loadHangingPage() override { engine->loadRequest({url("/conformance/never.html"), {}}); }
    void frameNavigates(const std::string& target) override {
        webtest::evaluate(*engine, "frames[0].location.href = '" + target + "'");
    }
    void pageOpensDialogs(int count) override {
        webtest::evaluate(*engine, "for (var i = 0; i < " + std::to_string(count) + "; ++i) alert(i)");
    }
    void webProcessCrashes() override {
        webkit_web_view_terminate_web_process(static_cast<WebKitEngine&>(*engine).webView());
    }
    void pageContentBecomes(int width, int height) override {
        webtest::evaluate(*engine,
                          "document.body.style.margin = 0; document.body.innerHTML = \"<div style='width:" +
                              std::to_string(width) + "px;height:" + std::to_string(height) + "px'></div>\"");
        runFor(0.3);  // the page reports sizes as it lays out
    }
    std::string typedText() override {
        return webtest::evaluate(*engine, "document.getElementById('f').value").value;
    }
    void pagePaints(int r, int g, int b) override {
        webtest::evaluate(*engine, "document.body.style.background = 'rgb(" + std::to_string(r) + "," +
                                       std::to_string(g) + "," + std::to_string(b) + ")'");
    }
};

class FakeHarness : public Harness {
  public:
    FakeHarness() {
        fake_ = std::make_shared<FakeWebEngine>(320, 50);
        fake_->useLoop(loop_);
        setLimits({});
        fake_->setDelegate(&recorder);
        engine = fake_;
    }
    void setLimits(const Limits& l) override {
        fake_->setLimits(
            {l.loadTimeoutSeconds, l.scriptTimeoutSeconds, l.dialogsAnswered, l.dialogsBeforeStop});
    }
    bool runUntil(const std::function<bool()>& pred, double seconds) override {
        loop_.runUntilIdle();
        for (double t = 0; !pred() && t < seconds; t += 0.01) loop_.advance(0.01);
        return pred();
    }
    std::string url(const std::string& path) const override { return "http://127.0.0.1:9/" + path.substr(1); }
    bool pageLoads() override {
        loop_.runUntilIdle();
        if (!fake_->isLoading()) return false;
        // As the real page does: its size is reported once it has laid out, then it has loaded.
        fake_->changeContentSize({fake_->width(), fake_->height()});
        fake_->finishLoad();
        return !fake_->isLoading();
    }
    void loadHangingPage() override { engine->loadRequest({url("/conformance/never.html"), {}}); }
    void frameNavigates(const std::string& target) override {
        NavigationAction action;
        action.url = target;
        action.mainFrame = false;
        fake_->navigate(action);
    }
    void pageOpensDialogs(int count) override {
        for (int i = 0; i < count; ++i) fake_->openDialog({DialogKind::Alert, std::to_string(i), ""});
    }
    void webProcessCrashes() override { fake_->endWebProcess(); }
    void pageContentBecomes(int width, int height) override {
        fake_->changeContentSize({std::max(width, fake_->width()), std::max(height, fake_->height())});
    }
    std::string typedText() override {
        std::string text;
        for (const auto& key : fake_->keyEvents()) {
            if (key.type == KeyEventType::Down) text += key.key;
        }
        return text;
    }
    void pagePaints(int r, int g, int b) override {
        platform::Image page;
        page.width = fake_->width();
        page.height = fake_->height();
        page.content = platform::Image::Content::RGBAPremultiplied;
        for (int i = 0; i < page.width * page.height; ++i) {
            page.pixels.insert(page.pixels.end(), {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                                   static_cast<std::uint8_t>(b), 255});
        }
        fake_->setSnapshot(std::move(page));
    }

  private:
    platform::ManualRunLoop loop_;
    std::shared_ptr<FakeWebEngine> fake_;
};

enum class Backend { Fake, Real };

class WebEngineConformance : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        if (GetParam() == Backend::Real) {
            h = std::make_unique<RealHarness>();
        } else {
            h = std::make_unique<FakeHarness>();
        }
        ASSERT_TRUE(h->engine);
    }
    void TearDown() override { h.reset(); }

    using Pixel = std::array<int, 4>;
    Pixel pixelAt(int x, int y) {
        const platform::Image image = h->engine->snapshot();
        const auto* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }

    std::unique_ptr<Harness> h;
};

}  // namespace

TEST_P(WebEngineConformance, TheHostsLoadsAreAskedOfTheDelegateWithTheirHeaders) {
    const std::string url = h->url("/conformance/plain.html");
    h->engine->loadRequest({url, {{"X-Slot", "banner-1"}}});
    ASSERT_TRUE(h->pageLoads());
    const NavigationAction* asked = h->recorder.navigationTo(url);
    ASSERT_NE(asked, nullptr);
    EXPECT_TRUE(asked->mainFrame);
    EXPECT_FALSE(asked->userGesture);
    EXPECT_EQ(asked->type, NavigationType::Other);
    EXPECT_NE(std::find(asked->headers.begin(), asked->headers.end(),
                        std::pair<std::string, std::string>{"X-Slot", "banner-1"}),
              asked->headers.end());
    EXPECT_EQ(h->recorder.started, 1);
    EXPECT_EQ(h->recorder.finished, 1);
    EXPECT_EQ(h->engine->url(), url);
}

TEST_P(WebEngineConformance, HistoryGoesBackAndForwardThroughTheDelegate) {
    const std::string first = h->url("/conformance/plain.html?1");
    const std::string second = h->url("/conformance/plain.html?2");
    EXPECT_FALSE(h->engine->canGoBack());
    h->engine->loadRequest({first, {}});
    ASSERT_TRUE(h->pageLoads());
    h->engine->loadRequest({second, {}});
    ASSERT_TRUE(h->pageLoads());
    EXPECT_TRUE(h->engine->canGoBack());
    EXPECT_FALSE(h->engine->canGoForward());

    h->recorder.navigations.clear();
    h->engine->goBack();
    ASSERT_TRUE(h->pageLoads());
    EXPECT_EQ(h->engine->url(), first);
    ASSERT_EQ(h->recorder.navigations.size(), 1u);
    EXPECT_EQ(h->recorder.navigations[0].type, NavigationType::BackForward);
    EXPECT_FALSE(h->engine->canGoBack());
    EXPECT_TRUE(h->engine->canGoForward());
    h->engine->goForward();
    ASSERT_TRUE(h->pageLoads());
    EXPECT_EQ(h->engine->url(), second);
    EXPECT_FALSE(h->engine->canGoForward());
}

TEST_P(WebEngineConformance, ARefusedLoadOfTheHostLeavesNoTrace) {
    ASSERT_TRUE(h->loadPage("<html><body>first</body></html>"));
    const std::string first = h->engine->url();
    h->recorder.allow = false;
    const std::string refused = h->url("/conformance/plain.html");
    h->engine->loadRequest({refused, {}});
    ASSERT_TRUE(h->runUntil([&] { return h->recorder.sawNavigationTo(refused); }, 5));
    h->runFor(0.3);
    EXPECT_EQ(h->recorder.started, 1);
    EXPECT_EQ(h->recorder.finished, 1);
    EXPECT_TRUE(h->recorder.failures.empty());
    EXPECT_FALSE(h->engine->isLoading());
    EXPECT_EQ(h->engine->url(), first);
}

TEST_P(WebEngineConformance, AFramesNavigationIsAskedButLoadsNothingOfTheView) {
    ASSERT_TRUE(h->loadPage("<html><body><iframe src='about:blank'></iframe></body></html>"));
    const std::string page = h->engine->url();
    const std::string target = h->url("/conformance/plain.html?in-frame");
    h->frameNavigates(target);
    ASSERT_TRUE(h->runUntil([&] { return h->recorder.sawNavigationTo(target); }, 5));
    h->runFor(0.3);
    EXPECT_EQ(h->recorder.started, 1);
    EXPECT_EQ(h->recorder.finished, 1);
    EXPECT_TRUE(h->recorder.failures.empty());
    EXPECT_EQ(h->engine->url(), page);
}

TEST_P(WebEngineConformance, TheEndOfTheWebProcessReachesALoadedIdleViewWhichTakesTheNextPage) {
    ASSERT_TRUE(h->loadPage("<html><body>loaded</body></html>"));
    h->webProcessCrashes();
    ASSERT_TRUE(h->runUntil([&] { return !h->recorder.failures.empty(); }, 5));
    h->runFor(0.3);
    ASSERT_EQ(h->recorder.failures.size(), 1u);
    EXPECT_EQ(h->recorder.failures[0].code, WebError::kWebProcessEnded);
    EXPECT_FALSE(h->engine->isLoading());
    EXPECT_TRUE(h->loadPage("<html><body>again</body></html>"));
}

TEST_P(WebEngineConformance, ALoadThatNeverFinishesFailsOnceAtTheTimeLimit) {
    h->setLimits({.loadTimeoutSeconds = 0.8});
    h->loadHangingPage();
    ASSERT_TRUE(h->runUntil([&] { return !h->recorder.failures.empty(); }, 5));
    h->runFor(0.3);
    ASSERT_EQ(h->recorder.failures.size(), 1u);
    EXPECT_EQ(h->recorder.failures[0].code, WebError::kTimedOut);
    EXPECT_EQ(h->recorder.started, 1);
    EXPECT_EQ(h->recorder.finished, 0);
    EXPECT_FALSE(h->engine->isLoading());
}

TEST_P(WebEngineConformance, AScriptNeverAnsweredFailsAtTheTimeLimitAndItsPageIsStopped) {
    h->setLimits({.scriptTimeoutSeconds = 1});
    ASSERT_TRUE(h->loadPage("<html><body>loaded</body></html>"));
    std::optional<ScriptResult> result;
    h->engine->evaluateScript("while (true) {}", [&](const ScriptResult& r) { result = r; });
    ASSERT_TRUE(h->runUntil([&] { return result && !h->recorder.failures.empty(); }, 8));
    EXPECT_FALSE(result->ok);
    EXPECT_FALSE(result->error.empty());
    ASSERT_EQ(h->recorder.failures.size(), 1u);
    EXPECT_EQ(h->recorder.failures[0].code, WebError::kHostile);
}

TEST_P(WebEngineConformance, DialogsAreAnsweredUpToTheLimitPerLoadAndTooManyStopThePage) {
    ASSERT_TRUE(h->loadPage("<html><body>one</body></html>"));
    h->pageOpensDialogs(4);
    EXPECT_EQ(h->recorder.dialogs.size(), 3u);
    EXPECT_TRUE(h->recorder.failures.empty());

    ASSERT_TRUE(h->loadPage("<html><body>two</body></html>"));
    h->pageOpensDialogs(10);
    ASSERT_TRUE(h->runUntil([&] { return !h->recorder.failures.empty(); }, 5));
    EXPECT_EQ(h->recorder.dialogs.size(), 6u);
    ASSERT_EQ(h->recorder.failures.size(), 1u);
    EXPECT_EQ(h->recorder.failures[0].code, WebError::kHostile);
}

TEST_P(WebEngineConformance, ContentSizesArriveOnceEachAndOutlandishOnesAreDropped) {
    ASSERT_TRUE(h->loadPage("<html><body></body></html>"));
    ASSERT_TRUE(h->runUntil([&] { return !h->recorder.sizes.empty(); }, 5));
    EXPECT_EQ(h->recorder.sizes.back(), (ContentSize{320, 50}));
    h->pageContentBecomes(320, 900);
    h->pageContentBecomes(320, 900);
    h->pageContentBecomes(100, 20);  // smaller than the view: the view's size
    h->pageContentBecomes(320, WebEngine::kMaxContentSide + 500000);
    EXPECT_EQ(h->recorder.sizes, (std::vector<ContentSize>{{320, 50}, {320, 900}, {320, 50}}));
    EXPECT_EQ(h->engine->contentSize(), (ContentSize{320, 50}));
}

TEST_P(WebEngineConformance, ATransparentBackgroundStaysTransparentAtAnyScale) {
    ASSERT_TRUE(h->loadPage("<html><body></body></html>"));
    ASSERT_TRUE(h->runUntil([&] { return pixelAt(200, 25) == Pixel{255, 255, 255, 255}; }, 5));
    h->engine->setBackgroundColor(platform::ui::Color::clear());
    EXPECT_TRUE(h->runUntil([&] { return pixelAt(200, 25) == Pixel{0, 0, 0, 0}; }, 5));
    h->engine->setScale(1.5);
    const platform::Image shot = h->engine->snapshot();
    EXPECT_EQ(shot.width, 480);
    EXPECT_EQ(shot.height, 75);
    EXPECT_TRUE(h->runUntil([&] { return pixelAt(479, 74) == Pixel{0, 0, 0, 0}; }, 5));
}

TEST_P(WebEngineConformance, KeysReachThePageOnlyWhileTheViewHasTheFocus) {
    ASSERT_TRUE(h->loadPage(kFieldPage));
    h->engine->sendKeyEvent({KeyEventType::Down, "a"});
    h->engine->sendKeyEvent({KeyEventType::Up, "a"});
    h->engine->setFocused(true);
    for (const char* key : {"b", "c"}) {
        h->engine->sendKeyEvent({KeyEventType::Down, key});
        h->engine->sendKeyEvent({KeyEventType::Up, key});
    }
    EXPECT_TRUE(h->runUntil([&] { return h->typedText() == "bc"; }, 5)) << h->typedText();
    h->engine->setFocused(false);
    h->engine->sendKeyEvent({KeyEventType::Down, "d"});
    h->runFor(0.2);
    EXPECT_EQ(h->typedText(), "bc");
}

// Views show the page by copying its picture again only when the frame number moved: a change
// the number missed would stay off the screen, and a still page that tells would keep an idle
// screen drawing. Every listener hears each drawing for as long as it holds on, and "drawn since"
// answers for all of them.
TEST_P(WebEngineConformance, EachNewDrawingOfThePageMovesTheFrameNumberAndIsToldAStillPageTellsNothing) {
    int told = 0;
    int toldOther = 0;
    auto listening = h->engine->listenToFrames([&told] { ++told; });
    auto other = h->engine->listenToFrames([&toldOther] { ++toldOther; });
    ASSERT_TRUE(h->loadPage("<html><body></body></html>"));
    h->pagePaints(255, 0, 0);
    ASSERT_TRUE(h->runUntil([&] { return pixelAt(10, 10) == Pixel{255, 0, 0, 255}; }, 5));
    h->runFor(0.5);
    const std::uint64_t red = h->engine->frameNumber();
    const int toldOfRed = told;
    EXPECT_GT(toldOther, 0);
    other.reset();
    const int otherOfRed = toldOther;
    h->runFor(0.5);
    EXPECT_EQ(told, toldOfRed);
    EXPECT_EQ(h->engine->frameNumber(), red);
    EXPECT_FALSE(h->engine->drawnSince(red));

    h->pagePaints(0, 0, 255);
    EXPECT_TRUE(h->runUntil(
        [&] {
            return pixelAt(10, 10) == Pixel{0, 0, 255, 255} && h->engine->frameNumber() > red &&
                   told > toldOfRed && h->engine->drawnSince(red);
        },
        5));
    EXPECT_EQ(toldOther, otherOfRed);
    // What the host changes itself moves the number at once; only a new size or scale needs a
    // drawing of its own.
    std::uint64_t before = h->engine->frameNumber();
    h->engine->setSize(200, 50);
    EXPECT_GT(h->engine->frameNumber(), before);
    EXPECT_FALSE(h->engine->drawnSince(red));
    before = h->engine->frameNumber();
    h->engine->setScale(2);
    EXPECT_GT(h->engine->frameNumber(), before);
    before = h->engine->frameNumber();
    h->engine->setBackgroundColor(platform::ui::Color::clear());
    EXPECT_GT(h->engine->frameNumber(), before);
}

// A clear page shows nothing of its own to tell whether it has drawn at its new size or scale: the
// engine tells, until the page draws again.
TEST_P(WebEngineConformance, ANewSizeOrScaleIsDrawnOnlyOnceThePageDrawsAgain) {
    ASSERT_TRUE(h->loadPage("<html><body></body></html>"));
    h->engine->setBackgroundColor(platform::ui::Color::clear());
    h->pagePaints(255, 0, 0);
    ASSERT_TRUE(h->runUntil([&] { return h->engine->drawnAtSize(); }, 5));
    h->engine->setSize(200, 50);
    EXPECT_FALSE(h->engine->drawnAtSize());
    h->pagePaints(0, 0, 255);
    EXPECT_TRUE(h->runUntil([&] { return h->engine->drawnAtSize(); }, 5));
    h->engine->setScale(2);
    EXPECT_FALSE(h->engine->drawnAtSize());
    h->pagePaints(0, 255, 0);
    EXPECT_TRUE(h->runUntil([&] { return h->engine->drawnAtSize(); }, 5));
    // What changes neither keeps it.
    h->engine->setSize(200, 50);
    h->engine->setScale(2);
    EXPECT_TRUE(h->engine->drawnAtSize());
}

INSTANTIATE_TEST_SUITE_P(Backends, WebEngineConformance, ::testing::Values(Backend::Fake, Backend::Real),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return info.param == Backend::Fake ? "Fake" : "Real";
                         });
