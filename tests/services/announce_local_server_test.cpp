// The local ad server stands in for the game's web server when a player plays with it: its
// announcement list must be one the announcement manager takes, switch the ad banner on, show the
// house interstitial at every game over, carry a pop-up whose button leads back to the server, and
// be asked again as soon as the server may have been started anew.
#include "tests/services/AnnounceTestKit.h"
#include "tools/adserver/AdServer.h"

using namespace announcetest;

TEST_F(AnnounceTest, TheLocalAdServersListSwitchesTheAdsOn) {
    tikoleap::adserver::AdServer adServer;
    ASSERT_TRUE(adServer.start(0, ""));
    core->setIphoneWebUrl(adServer.baseURL());
    check();
    ASSERT_TRUE(adServer.waitForKind("announce", 1, std::chrono::seconds(5)));
    EXPECT_EQ(adServer.log().front()["query"]["gid"], "1000");
    EXPECT_EQ(manager->amPropertyAsIntForKey("didazEnable", 0), 1);
    EXPECT_EQ(manager->amPropertyAsStringForKey("didazBannerAdPublisherId", ""), "tikoleap-banner");
    EXPECT_EQ(manager->amPropertyAsIntForKey("didazRefreshInterval", 0), 60);
    EXPECT_EQ(manager->amPropertyAsStringForKey("didazInterstitialAdPublisherId", ""),
              "tikoleap-interstitial");
    EXPECT_EQ(manager->amPropertyAsIntForKey("didazInterstitialAdContextFlag", 0) & 1, 1);
    EXPECT_EQ(manager->amPropertyAsIntForKey("didazInterstitialAdInterval", 0), 0);
    const std::optional<platform::PlistArray> popup = manager->popupAdInfo();
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->getString(2), std::to_string(tikoleap::adserver::AdServer::kPopupSerial));
    const std::optional<platform::PlistArray> buttons = popup->getArray(6);
    ASSERT_TRUE(buttons && buttons->size() == 1);
    const std::optional<platform::PlistArray> button = buttons->getArray(0);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->getString(1), adServer.baseURL() + tikoleap::adserver::AdServer::kPopupLanding);
    EXPECT_EQ(readFile(cacheDir() / "announce.plist"),
              tikoleap::adserver::AdServer::announceListXML(adServer.baseURL()));
}

TEST_F(AnnounceTest, ALocalServerRestartedWithOtherOptionsIsHeardAtOnce) {
    int port = 0;
    {
        tikoleap::adserver::AdServer first;
        ASSERT_TRUE(first.start(0, ""));
        port = first.port();
        core->setIphoneWebUrl(first.baseURL());
        check();
        EXPECT_EQ(manager->amPropertyAsStringForKey("didazBannerAdPublisherId", ""), "tikoleap-banner");
        first.stop();
    }
    // The same address a moment later, other units announced: no hour's wait for them.
    tikoleap::adserver::AdServer second;
    ASSERT_TRUE(second.setAnnouncedUnits("tikoleap-swipe", "tikoleap-interstitial"));
    ASSERT_TRUE(second.start(port, ""));
    clock = kStart + 5;
    check();
    EXPECT_TRUE(second.waitForKind("announce", 1, std::chrono::seconds(5)));
    EXPECT_EQ(manager->amPropertyAsStringForKey("didazBannerAdPublisherId", ""), "tikoleap-swipe");
}
