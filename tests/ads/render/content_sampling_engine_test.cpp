// Sampling on the real engine, on the window's kind of main loop: a pass over a screen that holds a
// text view and three ad pages (one with text enough for several pieces) keeps the fingerprint of
// their texts, asks one page at a time, and the main loop goes on while a page works out its text.
#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/render/sampling/DZContentSampler.h"
#include "ads/render/sampling/DZPageTextReader.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZWebViewCacheSet.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebViews.h"
#include "support/TempDir.h"

namespace {

const std::string kFox = "The quick brown fox jumps over the lazy dog";
const std::string kTwenty =
    "one two three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen sixteen "
    "seventeen eighteen nineteen twenty";
const std::string kScreenText = "Game over: 1234 points, a new best score on this level";

// A page whose text takes a while to work out, noting when (wall clock, ms) each read of it began
// and ended.
std::string slowPage(const std::string& text) {
    return "<html><body><p>" + text +
           "</p><script>window.reads = [];"
           "const read = Object.getOwnPropertyDescriptor(HTMLElement.prototype, 'innerText').get;"
           "Object.defineProperty(document.body, 'innerText', {get() {"
           "  const start = Date.now(); while (Date.now() - start < 300) {}"
           "  reads.push([start, Date.now()]); return read.call(this); }});"
           "</script></body></html>";
}

struct Loaded : DZAdViewDelegateProtocol {
    int finished = 0;
    void adViewDidFinishLoad(DZAdView&) override { ++finished; }
};

class ContentSamplingEngine : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!platform::web::WebViews::displayNamed()) GTEST_SKIP() << "no display";
        platform::AppPaths::setHome(home_.path());
        platform::UserDefaults::resetStandard();
        previousLoop_ = platform::RunLoop::setMain(loop_);
        previousCache_ = DZAdView::setWebViewCache(nullptr);
    }
    void TearDown() override {
        if (!previousLoop_) return;
        DZAdView::setWebViewCache(previousCache_);
        platform::RunLoop::setMain(previousLoop_);
        platform::UserDefaults::resetStandard();
        platform::AppPaths::setHome({});
    }
    bool runUntil(const std::function<bool()>& done, double seconds = 30) {
        if (done()) return true;
        auto poll = loop_->scheduleRepeating(0.005, [&](platform::Timer&) {
            if (done()) loop_->quit();
        });
        auto limit = loop_->scheduleOnce(seconds, [&](platform::Timer&) { loop_->quit(); });
        loop_->run();
        poll->invalidate();
        limit->invalidate();
        return done();
    }
    std::shared_ptr<DZAdView> adPage(const std::string& html, float y) {
        auto view = DZAdView::create({0, y, 320, 50});
        view->setDelegate(loaded_);
        view->loadHTMLString(html, "http://127.0.0.1/");
        return view;
    }
    // The [start, end] of each read of the page's text.
    std::vector<std::pair<double, double>> reads(DZAdView& view) {
        std::string value;
        bool answered = false;
        view.engine()->evaluateScript("JSON.stringify(window.reads)",
                                      [&](const platform::web::ScriptResult& r) {
                                          value = r.value;
                                          answered = true;
                                      });
        EXPECT_TRUE(runUntil([&] { return answered; }));
        std::vector<std::pair<double, double>> out;
        for (const auto& read : nlohmann::json::parse(value.empty() ? "[]" : value, nullptr, false))
            out.emplace_back(read[0].get<double>(), read[1].get<double>());
        return out;
    }

    tikoleap::test::TempDir home_;
    std::shared_ptr<platform::GLibRunLoop> loop_ = std::make_shared<platform::GLibRunLoop>();
    std::shared_ptr<platform::RunLoop> previousLoop_;
    std::shared_ptr<DZWebViewCacheSet> previousCache_;
    std::shared_ptr<Loaded> loaded_ = std::make_shared<Loaded>();
};

TEST_F(ContentSamplingEngine, APassKeepsTheScreensTextAsksOnePageAtATimeAndLeavesTheLoopFree) {
    auto window = std::make_shared<platform::ui::Window>();
    window->makeKeyAndVisible();
    auto screen = std::make_shared<platform::ui::ViewController>();
    window->setRootViewController(screen);
    auto label = std::make_shared<platform::ui::TextView>();
    label->setText(kScreenText);
    screen->view()->addSubview(label);
    auto first = adPage(slowPage(kFox), 0);
    auto second = adPage(slowPage(kTwenty), 60);
    // Words over three pieces, one of them cut across.
    std::string words;
    for (int i = 0; words.size() < 2 * DZPageTextReader::kChunkUnits + 500; ++i)
        words += (i ? " word" : "word") + std::to_string(i);
    auto third = adPage("<html><body><p>" + words + "</p></body></html>", 120);
    for (const auto& page : {first, second, third}) {
        screen->view()->addSubview(page);
        ASSERT_TRUE(page->engine()) << page->engineError();
    }
    ASSERT_TRUE(runUntil([&] { return loaded_->finished >= 3; }));

    // Passes come from the test alone.
    platform::UserDefaults::standard()->setDouble("/rerive/ads/traversal_interval", 3600);
    auto sampler = DZContentSampler::create();
    sampler->startContentHashing();
    // The game's frames go on meanwhile: the loop's turns while the pages work, on the wall clock.
    std::vector<double> turns;
    auto frames = loop_->scheduleRepeating(
        0.01, [&](platform::Timer&) { turns.push_back(static_cast<double>(g_get_real_time()) / 1000.0); });
    int kept = 0, passes = 0;
    const auto pass = [&] {
        sampler->samplePass(window->rootViewController()->view(), [&](bool k) {
            kept += k;
            ++passes;
        });
    };
    pass();
    ASSERT_TRUE(runUntil([&] { return passes == 1; }));
    // An unchanged screen again: only the newer sample stays.
    pass();
    ASSERT_TRUE(runUntil([&] { return passes == 2; }));
    frames->invalidate();
    EXPECT_EQ(kept, 2);

    // The sample holds what the text view and both pages show.
    DZContent expected(2);
    for (const auto& text : {words, kTwenty, kFox, kScreenText}) expected.updateContentWithText(text);
    auto queue = sampler->contentQueue();
    sampler->serialQueue()->sync([&] {
        ASSERT_EQ(queue->sequenceNumbers(), (std::vector<uint32_t>{2}));
        EXPECT_EQ(queue->contentWithSequenceNumber(2)->fingerprint(), expected.fingerprint());
        EXPECT_EQ(queue->contentWithSequenceNumber(2)->contentTotalLength(), expected.contentTotalLength());
    });
    EXPECT_NE(expected.fingerprint(), "");

    // Each page was asked once a pass, the last subview first and the other only after it had
    // answered, and the loop turned while a page worked.
    const auto firstReads = reads(*first), secondReads = reads(*second);
    ASSERT_EQ(firstReads.size(), 2u);
    ASSERT_EQ(secondReads.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_GE(firstReads[i].first, secondReads[i].second) << "pass " << i + 1;
        const double start = secondReads[i].first, end = secondReads[i].second;
        EXPECT_TRUE(std::any_of(turns.begin(), turns.end(), [&](double t) { return t > start && t < end; }))
            << "pass " << i + 1;
    }

    sampler->stopContentHashing();
    for (const auto& view : {first, second, third}) {
        view->setDelegate({});
        view->removeFromSuperview();
    }
}

}  // namespace
