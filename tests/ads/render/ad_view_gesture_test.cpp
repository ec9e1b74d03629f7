// What hangs on the ad view's touches and picture: the debug gesture, the touch capture, the
// debug dialog with its copy and bad-ad report, and the render check.
#include <glib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "AdViewTestBed.h"
#include "ads/core/DZAdServer.h"
#include "ads/render/view/DZAdViewRenderedChecker.h"
#include "ads/render/view/DZBadAdReport.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/http/HttpEngine.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/ui/AlertView.h"
#include "tools/adserver/AdServer.h"

using platform::Point;
using platform::ui::Touch;
using platform::ui::TouchEvent;
using platform::ui::TouchList;
using platform::ui::TouchPhase;

namespace {

// Fingers on one view, moved by hand; the view's own touch handlers receive every phase.
class Fingers {
  public:
    explicit Fingers(platform::ui::View& view) : view_(view) {}
    std::shared_ptr<Touch> down(Point at) {
        auto touch = std::make_shared<Touch>(++ids_, at, now_, 1);
        touch->setView(view_.shared_from_this());
        all_.push_back(touch);
        view_.touchesBegan({touch}, TouchEvent(all_, now_));
        return touch;
    }
    void move(const std::shared_ptr<Touch>& touch, float dx, float dy) {
        now_ += 0.25;
        const Point at = touch->locationInWindow();
        touch->update(TouchPhase::Moved, {at.x + dx, at.y + dy}, now_);
        view_.touchesMoved({touch}, TouchEvent(all_, now_));
    }
    void up(const std::shared_ptr<Touch>& touch, double after = 0.25) {
        now_ += after;
        touch->update(TouchPhase::Ended, touch->locationInWindow(), now_);
        const TouchEvent event(all_, now_);
        std::erase(all_, touch);
        view_.touchesEnded({touch}, event);
    }
    void setNow(double now) { now_ = now; }

  private:
    platform::ui::View& view_;
    TouchList all_;
    std::uint64_t ids_ = 0;
    double now_ = 1;
};

// A view that hands its touches to one recogniser.
class WatchedView : public platform::ui::View {
  public:
    WatchedView() : platform::ui::View({0, 0, 320, 50}), ticket(this) {
        ticket.setAction([this] { ++recognized; });
    }
    void touchesBegan(const TouchList& t, const TouchEvent& e) override { ticket.touchesBegan(t, e); }
    void touchesMoved(const TouchList& t, const TouchEvent& e) override { ticket.touchesMoved(t, e); }
    void touchesEnded(const TouchList& t, const TouchEvent& e) override { ticket.touchesEnded(t, e); }
    DZImpressionTicketGestureRecognizer ticket;
    int recognized = 0;
};

struct Verdicts : DZAdViewRenderedCheckerDelegate {
    void adViewDidRenderContent(DZAdView&) override { said.push_back("rendered"); }
    void adViewDidFailToRenderContent(DZAdView&) override { said.push_back("failed"); }
    std::vector<std::string> said;
};

// width x height premultiplied pixels, the first `painted` of them opaque red, the rest clear.
platform::Image partlyPainted(int width, int height, int painted) {
    platform::Image image{width, height, platform::Image::Content::RGBAPremultiplied, {}};
    image.pixels.assign(static_cast<std::size_t>(width * height) * 4, 0);
    for (int i = 0; i < painted; ++i) {
        image.pixels[static_cast<std::size_t>(i) * 4] = 255;
        image.pixels[static_cast<std::size_t>(i) * 4 + 3] = 255;
    }
    return image;
}

class AdViewGesture : public ::testing::Test {
  protected:
    void SetUp() override {
        previousCache_ = DZAdView::setWebViewCache(nullptr);
        view_ = DZAdView::create({0, 0, 320, 50});
        view_->touchGestureRecognizer().setSink(
            [this](int x, int y, int ms) { captured_.emplace_back(x, y, ms); });
    }
    void TearDown() override {
        if (auto alert = view_->alertView(); alert && alert->isPresented())
            alert->dismissWithClickedButtonIndex(0, false);
        view_.reset();
        bed_.runUntilIdle();
        DZAdView::setWebViewCache(previousCache_);
    }
    platform::web::FakeWebEngine& engine() {
        return static_cast<platform::web::FakeWebEngine&>(*view_->engine());
    }
    // Draws the debug gesture on the view.
    void zigZag() {
        Fingers fingers(*view_);
        auto finger = fingers.down({100, 25});
        for (float dx : {20.0f, -20.0f, 20.0f, -1.0f}) fingers.move(finger, dx, 0);
        fingers.up(finger);
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<DZWebViewCacheSet> previousCache_;
    std::shared_ptr<DZAdView> view_;
    std::vector<std::tuple<int, int, int>> captured_;
};

}  // namespace

TEST(DebugGesture, RecognisesOnlyFourStrokesRightLeftRightLeftOfOneFinger) {
    struct Case {
        const char* name;
        std::vector<Point> steps;  // each a move of (dx, dy)
        bool secondFinger;
        bool recognised;
    };
    const std::vector<Case> cases = {
        {"right 20, left 20, right 20, left 1", {{10, 0}, {10, 0}, {-20, 0}, {20, 0}, {-1, 0}}, false, true},
        {"vertical steps of 5", {{20, 5}, {-20, -5}, {20, 5}, {-1, -5}}, false, true},
        {"right 10 then left", {{10, 0}, {-20, 0}, {20, 0}, {-1, 0}}, false, false},
        {"first move left", {{-20, 0}, {20, 0}, {-20, 0}, {20, 0}, {-1, 0}}, false, false},
        {"a 6-point vertical step", {{20, 0}, {-20, 0}, {20, 6}, {-1, 0}}, false, false},
        {"three strokes", {{20, 0}, {-20, 0}, {20, 0}}, false, false},
        {"right again after the fourth", {{20, 0}, {-20, 0}, {20, 0}, {-1, 0}, {1, 0}}, false, false},
        {"two fingers", {{20, 0}, {-20, 0}, {20, 0}, {-1, 0}}, true, false},
    };
    // One recogniser for all: each gesture starts afresh once the fingers of the last have lifted.
    auto watched = std::make_shared<WatchedView>();
    WatchedView& view = *watched;
    Fingers fingers(view);
    for (const auto& c : cases) {
        const int before = view.recognized;
        auto finger = fingers.down({100, 25});
        auto second = c.secondFinger ? fingers.down({200, 25}) : nullptr;
        for (const Point step : c.steps) fingers.move(finger, step.x, step.y);
        if (second) fingers.up(second);
        fingers.up(finger);
        EXPECT_EQ(view.recognized - before, c.recognised ? 1 : 0) << c.name;
        EXPECT_EQ(view.ticket.gestureState(), 0) << c.name;
    }
}

TEST_F(AdViewGesture, ThePageGetsTheFirstFingerUnchangedAndTheCollectorEveryLift) {
    EXPECT_EQ(view_->hitTest({10, 10}), view_);        // the page's touches land on the ad view
    EXPECT_TRUE(view_->scrollWheel({10, 10}, 0, 40));  // and its wheel still scrolls the page
    EXPECT_EQ(engine().scrollEvents().size(), 1u);
    Fingers fingers(*view_);
    fingers.setNow(2.0);
    auto finger = fingers.down({10, 20});
    EXPECT_TRUE(view_->touched());
    fingers.move(finger, 5, 1);
    auto second = fingers.down({200, 30});
    fingers.up(second, 0.5);
    // The capture fails at the first lift, so this one is not reported.
    fingers.up(finger);
    const auto& mouse = engine().mouseEvents();
    ASSERT_EQ(mouse.size(), 3u);
    EXPECT_EQ(mouse[0].type, platform::web::MouseEventType::Down);
    EXPECT_EQ(mouse[1].type, platform::web::MouseEventType::Move);
    EXPECT_EQ(mouse[2].type, platform::web::MouseEventType::Up);
    EXPECT_EQ(std::tie(mouse[2].x, mouse[2].y), std::make_tuple(15.0, 21.0));

    // A lift whose touch-down was never seen lasts -1 ms, and reaches no page.
    auto stray = std::make_shared<Touch>(99, Point{40.7f, 12.2f}, 5.0, 1);
    stray->setView(view_);
    view_->touchesEnded({stray}, TouchEvent({stray}, 5.0));
    bed_.runUntilIdle();
    EXPECT_EQ(engine().mouseEvents().size(), 3u);
    ASSERT_EQ(captured_.size(), 2u);
    EXPECT_EQ(captured_[0], std::make_tuple(200, 30, 500));
    EXPECT_EQ(captured_[1], std::make_tuple(40, 12, -1));

    EXPECT_EQ(DZAdViewTouchGestureRecognizer::durationMs(1.0, 1.2505), 250);
    EXPECT_EQ(DZAdViewTouchGestureRecognizer::durationMs(0.0, 1e10),
              std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(DZAdViewTouchGestureRecognizer::durationMs(2.0, 1.0), 0);
    EXPECT_EQ(DZAdViewTouchGestureRecognizer::durationMs(1.0, std::nan("")), 0);
    EXPECT_EQ(DZAdViewTouchGestureRecognizer::durationMs(std::nullopt, 3.0), -1);
}

TEST_F(AdViewGesture, TheDialogShowsTheTextOrANoticeAndOnlyWhenDebugIsOn) {
    view_->setShowDebug(false);
    zigZag();
    EXPECT_EQ(view_->alertView(), nullptr);

    view_->setShowDebug(true);
    zigZag();
    auto alert = view_->alertView();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isPresented());
    EXPECT_EQ(alert->title(), "Debug Creative Info");
    EXPECT_EQ(alert->message(), "Creative information is not available");
    EXPECT_EQ(alert->numberOfButtons(), 1);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK");
    alert->dismissWithClickedButtonIndex(0, false);

    // Megabytes of two-byte characters: the dialog shows the first 4 KiB, cut between characters.
    std::string huge = "x";
    while (huge.size() < (2u << 20)) huge += "\xC3\xA9";
    view_->setAdDebugDialog(huge);
    zigZag();
    alert = view_->alertView();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->message().size(), 4095u);
    EXPECT_EQ(huge.compare(0, 4095, alert->message()), 0);
    EXPECT_TRUE(
        g_utf8_validate(alert->message().data(), static_cast<gssize>(alert->message().size()), nullptr));
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "Copy");
    EXPECT_EQ(alert->buttonTitleAtIndex(2), "Report");
    alert->clickButtonAtIndex(1);
    EXPECT_EQ(platform::Pasteboard::general().string(), huge);  // the whole text, not the shown part
    EXPECT_FALSE(platform::Pasteboard::general().lastCopyReachedDesktop());
}

TEST_F(AdViewGesture, TheReportPostsTheTextAsJSONToTheDefaultsPathElseTheAdServer) {
    EXPECT_EQ(DZBadAdReportBody(std::string("ad 7 \"x\"")), R"({"debugHeader":"ad 7 \"x\""})");
    EXPECT_EQ(DZBadAdReportBody(std::nullopt), R"({"debugHeader":null})");
    EXPECT_EQ(DZBadAdReportBody(std::string("a\xFF")), R"({"debugHeader":"a)"
                                                       "\xEF\xBF\xBD"
                                                       R"("})");

    auto defaults = platform::UserDefaults::standard();
    for (const char* notWeb : {"", "ftp://127.0.0.1/report", "javascript:alert(1)"}) {
        defaults->setString(kDZBadAdReportPathKey, notWeb);
        EXPECT_EQ(DZBadAdReportEndpoint(), DZAdServerURL("/adpage/badad")) << notWeb;
    }

    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    defaults->setString(kDZBadAdReportPathKey, server.baseURL() + "adpage/badad?from=dialog");
    const std::string text = "creative 42 \"quoted\"";
    view_->setAdDebugDialog(text);
    zigZag();
    ASSERT_NE(view_->alertView(), nullptr);
    view_->alertView()->clickButtonAtIndex(2);
    ASSERT_TRUE(server.waitForKind("report", 1, std::chrono::seconds(10)));
    const auto hit = server.log().back();
    EXPECT_EQ(hit["method"], "POST");
    EXPECT_EQ(hit["path"], "/adpage/badad");
    EXPECT_EQ(hit["query"]["from"], "dialog");
    EXPECT_EQ(hit["headers"]["content-type"], "application/json");
    EXPECT_EQ(hit["body_bytes"], DZBadAdReportBody(text).size());
    // The answer comes back to the main loop; nothing waits for it.
    EXPECT_TRUE(bed_.home().pump().until([] { return platform::HttpEngine::shared().activeCount() == 0; }));
    bed_.runUntilIdle();
}

TEST_F(AdViewGesture, APageMostlyInTheBackgroundColourHasNotRendered) {
    const platform::ui::Color clear = platform::ui::Color::clear();
    EXPECT_EQ(DZAdViewRenderedChecker::percentOfImage(partlyPainted(20, 5, 5), clear), 0.95f);
    EXPECT_EQ(DZAdViewRenderedChecker::percentOfImage(partlyPainted(20, 5, 50), clear), 0.5f);
    EXPECT_EQ(
        DZAdViewRenderedChecker::percentOfImage(partlyPainted(20, 5, 100), platform::ui::Color{1, 0, 0, 1}),
        1.0f);
    // A see-through colour compares as the premultiplied bytes a snapshot holds.
    platform::Image grey{1, 1, platform::Image::Content::RGBAPremultiplied, {64, 64, 64, 128}};
    EXPECT_EQ(DZAdViewRenderedChecker::percentOfImage(grey, platform::ui::Color::gray(0.5f, 0.5f)), 1.0f);
    EXPECT_EQ(DZAdViewRenderedChecker::percentOfImage(platform::Image{}, clear), std::nullopt);

    auto verdicts = std::make_shared<Verdicts>();
    DZAdViewRenderedChecker checker(view_, verdicts);
    for (int painted : {5, 50, 9, 11}) {
        engine().setSnapshot(partlyPainted(20, 5, painted));
        checker.checkIsContentRenderedInAdView();
    }
    engine().setSnapshot(platform::Image{});
    checker.checkIsContentRenderedInAdView();
    EXPECT_EQ(verdicts->said,
              (std::vector<std::string>{"failed", "rendered", "failed", "rendered", "failed"}));
}
