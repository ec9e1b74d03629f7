// The local ad server stands in for the game's web server when a player plays with it: its
// announcement list must be one the announcement manager takes, and switch the ad banner on.
#include "tests/services/AnnounceTestKit.h"
#include "tools/adserver/AdServer.h"

using namespace announcetest;

TEST_F(AnnounceTest, TheLocalAdServersListSwitchesTheBannerOn) {
    tikoleap::adserver::AdServer adServer;
    ASSERT_TRUE(adServer.start(0, ""));
    core->setIphoneWebUrl(adServer.baseURL());
    check();
    ASSERT_TRUE(adServer.waitForKind("announce", 1, std::chrono::seconds(5)));
    EXPECT_EQ(adServer.log().front()["query"]["gid"], "1000");
    EXPECT_EQ(manager->amPropertyAsIntForKey("didazEnable", 0), 1);
    EXPECT_EQ(manager->amPropertyAsStringForKey("didazBannerAdPublisherId", ""), "tikoleap-banner");
    EXPECT_EQ(manager->amPropertyAsIntForKey("didazRefreshInterval", 0), 60);
    EXPECT_EQ(readFile(cacheDir() / "announce.plist"), tikoleap::adserver::AdServer::announceListXML());
}
