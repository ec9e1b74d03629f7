// A banner's slot measuring its ad after the impression, on the scripted engine and the virtual
// clock: the units that reach the core page, one measurement however often it is started, the
// application in the background, the last unit when the ad or the banner goes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSDKCoreWebView.h"
#include "ads/public/DZBannerView.h"
#include "ads/render/AdViewTestBed.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/Window.h"

using platform::Rect;
using namespace platform::ui;

namespace {

class SlotZadavaDuru : public ::testing::Test {
  protected:
    void SetUp() override {
        controller_->setZadavaDuruSamplingInterval(0.5);
        banner_->slot()->setSDKCoreController(controller_);
        window_->addSubview(banner_);
        banner_->slot()->finishedLoadingAdResponse(
            std::make_shared<DZAd>(nlohmann::json{{"zadava_duru", {{"id", "m1"}}}}));
    }
    void TearDown() override { bed_.runUntilIdle(); }

    // The units the core page was sent so far (its page loads on first use).
    std::vector<nlohmann::json> units() {
        bed_.runUntilIdle();
        auto& page = bed_.engine();
        if (page.isLoading()) {
            page.finishLoad();
            bed_.runUntilIdle();
        }
        const std::string call = "ZAZO_updateZadavaDuru(";
        while (!page.pendingScripts().empty()) {
            const std::string script = page.pendingScripts().front().script;
            page.completeScript({true, "", ""});
            const std::size_t at = script.find(call);
            if (at == std::string::npos) continue;
            const std::size_t start = at + call.size();
            auto params = nlohmann::json::parse(script.substr(start, script.find("]})", start) + 2 - start));
            sent_.push_back(params.at("units").at(0));
        }
        return sent_;
    }

    tikoleap::test::AdViewTestBed bed_;
    Application app_{NotificationCenter::defaultCenter()};
    std::shared_ptr<Window> window_ = std::make_shared<Window>(Rect{0, 0, 320, 480}, &app_);
    std::shared_ptr<DZBannerView> banner_ = DZBannerView::create(kDZAdSizeBanner, {0, 100});
    std::shared_ptr<DZSDKCoreController> controller_ = DZSDKCoreController::create();
    std::vector<nlohmann::json> sent_;
};

}  // namespace

TEST_F(SlotZadavaDuru, NothingIsMeasuredBeforeTheImpressionOrWithoutASetUp) {
    banner_->slot()->startZadavaDuruReportingIfEnabled();
    EXPECT_EQ(banner_->slot()->zadavaDuruMonitor(), nullptr);
    banner_->slot()->finishedLoadingAdResponse(std::make_shared<DZAd>(nlohmann::json::object()));
    banner_->slot()->didMakeAdImpression();
    EXPECT_EQ(banner_->slot()->zadavaDuruMonitor(), nullptr);
}

TEST_F(SlotZadavaDuru, StartingTwiceMeasuresOnceAndANewAdEndsItWithALastUnit) {
    auto slot = banner_->slot();
    slot->didMakeAdImpression();
    const auto monitor = slot->zadavaDuruMonitor();
    ASSERT_TRUE(monitor);
    const uint32_t id = slot->zadavaDuruID();
    slot->didMakeAdImpression();
    EXPECT_EQ(slot->zadavaDuruMonitor(), monitor);
    EXPECT_EQ(slot->zadavaDuruID(), id);
    ASSERT_EQ(units().size(), 2u);  // one sample for each start
    bed_.home().loop().advance(1.2);
    EXPECT_EQ(units().size(), 4u);  // one timer at 0.5 s

    const auto first = units().front();
    EXPECT_EQ(first["hashCode"], id);
    EXPECT_EQ(first["isVisible"], "1");
    EXPECT_EQ(first["adBox"], (nlohmann::json{{"top", 100}, {"bottom", 150}, {"left", 0}, {"right", 320}}));
    EXPECT_EQ(first["zadavaDuruJSON"], (nlohmann::json{{"id", "m1"}}));
    EXPECT_FALSE(first.contains("doneReasonCode"));

    slot->finishedLoadingAdResponse(std::make_shared<DZAd>(nlohmann::json::object()));
    EXPECT_EQ(slot->zadavaDuruMonitor(), nullptr);
    EXPECT_EQ(slot->zadavaDuruCoreWebView(), nullptr);
    const auto all = units();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all.back()["doneReasonCode"], "u");
    bed_.home().loop().advance(2);
    EXPECT_EQ(units().size(), 5u);
}

TEST_F(SlotZadavaDuru, InTheBackgroundNothingIsVisible) {
    banner_->slot()->didMakeAdImpression();
    app_.enterBackground();
    auto last = units().back();
    EXPECT_EQ(last["isSubViewOfVisibleWindow"], "0");
    EXPECT_EQ(last["isVisible"], "0");
    app_.enterForeground();
    last = units().back();
    EXPECT_EQ(last["isSubViewOfVisibleWindow"], "1");
    EXPECT_EQ(last["isVisible"], "1");
}

TEST_F(SlotZadavaDuru, AViewOutOfItsWindowPausesAndAReleasedBannerEndsWithAZeroUnit) {
    banner_->slot()->didMakeAdImpression();
    banner_->removeFromSuperview();
    const std::size_t paused = units().size();
    EXPECT_EQ(units().back()["isVisible"], "0");
    bed_.home().loop().advance(2);
    EXPECT_EQ(units().size(), paused);
    window_->addSubview(banner_);
    bed_.home().loop().advance(0.6);
    EXPECT_EQ(units().size(), paused + 1);

    std::weak_ptr<DZSlot> slot = banner_->slot();
    banner_->removeFromSuperview();
    banner_.reset();
    EXPECT_TRUE(slot.expired());
    const auto last = units().back();
    EXPECT_EQ(last["doneReasonCode"], "u");
    EXPECT_EQ(last["adBox"], (nlohmann::json{{"top", 0}, {"bottom", 0}, {"left", 0}, {"right", 0}}));
    const std::size_t total = units().size();
    bed_.home().loop().advance(2);
    EXPECT_EQ(units().size(), total);
}
