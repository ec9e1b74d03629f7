// The game-over screen's ad banner: which banner each "didazEnable" value brings, reuse within the
// refresh interval, and the platform banner (which never fills) giving way to the ad component's.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "services/DiDazSupport.h"
#include "services/PlatformBanner.h"
#include "support/MainLoopPump.h"

namespace {

// Stands in for the ad component's banner: records its loads; the test decides the outcome.
class FakeBanner : public DiDazBanner, public std::enable_shared_from_this<FakeBanner> {
  public:
    std::shared_ptr<platform::ui::View> view() const override { return view_; }
    void load(const std::string& adUnitId, const std::shared_ptr<platform::ui::ViewController>&,
              std::weak_ptr<DiDazBannerListener> listener) override {
        units.push_back(adUnitId);
        listener_ = std::move(listener);
    }
    void dispose() override { listener_.reset(); }
    void receive() {
        if (auto l = listener_.lock()) l->bannerDidReceiveAd(*this);
    }
    void fail() {
        if (auto l = listener_.lock()) l->bannerDidFailToReceiveAd(*this, "no fill");
    }
    std::vector<std::string> units;

  private:
    std::shared_ptr<platform::ui::View> view_ = std::make_shared<platform::ui::View>();
    std::weak_ptr<DiDazBannerListener> listener_;
};

struct Rig {
    tikoleap::test::MainLoopPump pump;
    std::map<std::string, std::string> properties;
    std::vector<std::shared_ptr<FakeBanner>> banners;
    int platformBanners = 0;
    std::shared_ptr<DiDazSupport> ads;
    std::shared_ptr<platform::ui::ViewController> owner = std::make_shared<platform::ui::ViewController>();
    std::shared_ptr<platform::ui::View> content = std::make_shared<platform::ui::View>();

    Rig() {
        owner->setView(std::make_shared<platform::ui::View>(platform::Rect{0, 0, 320, 480}));
        owner->view()->addSubview(content);
        DiDazSupport::Options options;
        options.property = [this](const std::string& key) -> std::optional<std::string> {
            auto it = properties.find(key);
            return it == properties.end() ? std::nullopt : std::optional<std::string>(it->second);
        };
        options.makeDiDazBanner = [this] {
            banners.push_back(std::make_shared<FakeBanner>());
            return banners.back();
        };
        options.makeIAdBanner = [this] {
            ++platformBanners;
            return PlatformBanner::create();
        };
        ads = DiDazSupport::create(nullptr, options);
        ads->setDiDazPublisherId(DiDazSupport::kDefaultPublisherId);
    }
    void show() { ads->showInViewController(owner, content); }
    // One turn of the main loop: the platform banner's failure arrives.
    void turn() { pump.loop().runUntilIdle(); }
    bool bannerOnScreen(const std::shared_ptr<FakeBanner>& banner) const {
        return banner->view()->superview() == content;
    }
};

TEST(DiDazSupportTest, EachModeValueBringsItsBanners) {
    platform::ScopedLogSink quiet;
    struct Case {
        std::optional<std::string> value;
        bool platform;   // a platform banner is made
        bool component;  // an ad-component banner is requested (after the platform one failed)
    };
    const std::vector<Case> cases = {
        {std::nullopt, false, false}, {"0", false, false},   {"1", false, true},
        {"2", true, false},           {"3", true, true},     {"-1", true, false},
        {"-3", true, false},          {"4", true, false},    {"5", true, false},
        {"7", true, false},           {"abc", false, false}, {" 1x", false, true},
        {"99999999999", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.value_or("(unset)"));
        Rig rig;
        if (c.value) rig.properties["didazEnable"] = *c.value;
        rig.show();
        rig.turn();
        EXPECT_EQ(rig.platformBanners, c.platform ? 1 : 0);
        ASSERT_EQ(rig.banners.size(), c.component ? 1u : 0u);
        // The platform banner never fills: nothing of it stays on the owner's view.
        EXPECT_EQ(rig.ads->iAdView(), nullptr);
        EXPECT_EQ(rig.owner->view()->subviews().size(), 1u);
        EXPECT_EQ(rig.ads->bannerState(),
                  c.component ? DiDazSupport::BannerState::pending : DiDazSupport::BannerState::none);
    }
    // Without a default ad unit the ad component's banner is never asked for.
    Rig rig;
    rig.properties["didazEnable"] = "1";
    rig.ads->setDiDazPublisherId("");
    rig.show();
    EXPECT_TRUE(rig.banners.empty());
}

TEST(DiDazSupportTest, ReceivedBannerIsReusedWithinTheRefreshInterval) {
    Rig rig;
    rig.properties = {
        {"didazEnable", "1"}, {"didazRefreshInterval", "60"}, {"didazBannerAdPublisherId", "unit-7"}};
    rig.show();
    ASSERT_EQ(rig.banners.size(), 1u);
    const std::shared_ptr<FakeBanner> first = rig.banners[0];
    EXPECT_EQ(first->units, std::vector<std::string>{"unit-7"});
    EXPECT_EQ(first->view()->frame().size.width, 320);
    EXPECT_EQ(first->view()->frame().size.height, 50);
    EXPECT_FALSE(rig.bannerOnScreen(first));  // nothing shown before an ad arrives
    first->receive();
    EXPECT_TRUE(rig.bannerOnScreen(first));
    rig.ads->close();
    EXPECT_FALSE(rig.bannerOnScreen(first));

    rig.pump.loop().advance(59);
    rig.show();
    EXPECT_EQ(rig.banners.size(), 1u);
    EXPECT_EQ(first->units.size(), 1u);
    EXPECT_TRUE(rig.bannerOnScreen(first));
    rig.ads->close();

    rig.pump.loop().advance(2);
    rig.show();
    ASSERT_EQ(rig.banners.size(), 2u);
    EXPECT_FALSE(rig.bannerOnScreen(first));

    // A failed banner closes, and the next show asks anew even within the interval.
    rig.banners[1]->fail();
    EXPECT_EQ(rig.ads->bannerState(), DiDazSupport::BannerState::failed);
    rig.ads->close();
    rig.show();
    EXPECT_EQ(rig.banners.size(), 3u);
    // An ad that arrives after the screen went is not put on it, but shown at the next show.
    rig.ads->close();
    rig.banners[2]->receive();
    EXPECT_FALSE(rig.bannerOnScreen(rig.banners[2]));
    rig.show();
    EXPECT_TRUE(rig.bannerOnScreen(rig.banners[2]));
    EXPECT_EQ(rig.banners.size(), 3u);
}

// A screen left up for hours: a banner whose refresh fails leaves it, and is asked anew after the
// refresh interval for as long as the screen stays, however often it fails; a close ends that.
TEST(DiDazSupportTest, ABannerFailingOnAScreenThatStaysIsAskedAgainAfterTheInterval) {
    platform::ScopedLogSink quiet;
    Rig rig;
    rig.properties = {{"didazEnable", "1"}, {"didazRefreshInterval", "60"}};
    rig.show();
    rig.banners[0]->receive();
    rig.banners[0]->fail();  // its refresh
    EXPECT_FALSE(rig.bannerOnScreen(rig.banners[0]));
    rig.pump.loop().advance(59);
    EXPECT_EQ(rig.banners.size(), 1u);
    rig.pump.loop().advance(1);
    ASSERT_EQ(rig.banners.size(), 2u);
    EXPECT_EQ(rig.ads->bannerState(), DiDazSupport::BannerState::pending);
    rig.banners[1]->fail();
    rig.pump.loop().advance(60);
    ASSERT_EQ(rig.banners.size(), 3u);
    rig.banners[2]->receive();
    EXPECT_TRUE(rig.bannerOnScreen(rig.banners[2]));

    rig.banners[2]->fail();
    rig.ads->close();  // the screen goes
    rig.pump.loop().advance(600);
    EXPECT_EQ(rig.banners.size(), 3u);
}

TEST(DiDazSupportTest, PlatformBannerFailingWhileShownGivesWayAtOnce) {
    platform::ScopedLogSink log(true);
    Rig rig;
    rig.properties["didazEnable"] = "3";
    rig.show();
    EXPECT_EQ(rig.ads->adType(), DiDazSupport::AdType::iAd);
    EXPECT_TRUE(rig.banners.empty());
    rig.turn();
    ASSERT_EQ(rig.banners.size(), 1u);
    EXPECT_EQ(rig.banners[0]->units, std::vector<std::string>{DiDazSupport::kDefaultPublisherId});
    EXPECT_EQ(rig.ads->adType(), DiDazSupport::AdType::diDaz);
    EXPECT_TRUE(rig.ads->isVisible());
    rig.banners[0]->receive();
    EXPECT_TRUE(rig.bannerOnScreen(rig.banners[0]));
    int infoLines = 0;
    for (const std::string& line : log.lines())
        if (line.rfind("[INFO]", 0) == 0 &&
            line.find("iAd:bannerView:didFailToReceiveAdWithError: ") != std::string::npos)
            ++infoLines;
    EXPECT_EQ(infoLines, 1);

    // A platform banner closed before its turn says nothing afterwards.
    Rig closed;
    closed.properties["didazEnable"] = "3";
    closed.show();
    closed.ads->close();
    closed.turn();
    EXPECT_TRUE(closed.banners.empty());
    EXPECT_EQ(closed.ads->adType(), DiDazSupport::AdType::none);
}

}  // namespace
