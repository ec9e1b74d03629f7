// Which of a page's trackers stand for the ad's billed click URL: every way of writing its place
// and path that reaches the same server and resource does, an honest tracker beside it does not.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "AdViewTestBed.h"
#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/render/view/DZPageTrackers.h"
#include "platform/http/HostLookup.h"
#include "platform/http/HttpUrl.h"

namespace {

const std::vector<std::string> kClick{"http://127.0.0.1:8089/click?id=7&s=a+b"};

TEST(PageTrackers, EverySpellingOfTheClicksPlaceStandsForItAndHonestTrackersDoNot) {
    const std::string rest = ":8089/click?id=7&s=a+b";
    // The host of 127.0.0.1 as the resolver and the engine still read it, and this machine's
    // other names and addresses, all of which reach a server listening on it.
    const std::vector<std::string> hosts{"127.0.0.1",
                                         "127.1",
                                         "127.0.1",
                                         "2130706433",
                                         "0x7f000001",
                                         "0X7F000001",
                                         "017700000001",
                                         "0177.0.0.1",
                                         "0x7f.0.0.1",
                                         "0x7f.1",
                                         "0177.1",
                                         "127.0.0.01",
                                         "0x7f.0x0.0x0.0x1",
                                         "127.000.000.001",
                                         "0x7f.0.1",
                                         "127.0.0.1.",
                                         "%31%32%37.0.0.1",
                                         "user@127.0.0.1",
                                         "[::ffff:127.0.0.1]",
                                         "[::ffff:7f00:1]",
                                         "[0:0:0:0:0:ffff:7f00:1]",
                                         "[::1]",
                                         "[::]",
                                         "0.0.0.0",
                                         "0",
                                         "127.0.0.2",
                                         "localhost",
                                         "LOCALHOST.",
                                         "ads.localhost",
                                         "①②⑦.0.0.1",
                                         "１２７。０。０。１",
                                         "ｌｏｃａｌｈｏｓｔ"};
    for (const auto& host : hosts)
        EXPECT_TRUE(DZPageTrackers::standsFor("http://" + host + rest, kClick)) << host;
    // What the URL type reads otherwise and the engine reads as the click: slashes after the
    // scheme, dot segments, an encoded path, a port written with a zero.
    for (const std::string url :
         {"http:///127.0.0.1:8089/click?id=7&s=a+b", "http:/127.0.0.1:8089/click?id=7&s=a+b",
          "HTTP://127.0.0.1:8089/x/../click?s=a%20b&id=7", "http://127.0.0.1:08089/%63lick?id=7&s=a+b#f",
          "http://127.0.0.1:8089/%2e/click?id=7&s=a+b", "http://127.0.0.1:8089/x/%2e%2e/click?id=7&s=a+b",
          "http://127.0.0.1:8089/x/y/%2E%2E/%2e%2E/./click?id=7&s=a+b",
          "http://127.0.0.1:8089/%2e%2e/x/%2E%2e/click?id=7&s=a+b"})
        EXPECT_TRUE(DZPageTrackers::standsFor(url, kClick)) << url;
    // This machine by its own name, and by any name the hosts file gives a loopback address; a name
    // it gives another address is that address.
    char machine[256] = {};
    if (gethostname(machine, sizeof machine - 1) == 0 && machine[0] != '\0' &&
        std::string(machine) != "localhost") {
        EXPECT_TRUE(DZPageTrackers::standsFor("http://" + std::string(machine) + rest, kClick)) << machine;
    }
    const auto names = platform::localNames(
        "# 127.0.0.1 gone\n127.0.1.1\tbox box.lan  # this one\n::1 ip6-here\n10.0.0.5 adsrv ip6-here\n"
        "fe80::1 lan6\nnot-an-address named\n",
        "Machine");
    for (const char* name : {"box", "BOX.LAN.", "ip6-here", "machine", "localhost"})
        EXPECT_EQ(platform::hostPlace(name, names), "loopback") << name;
    EXPECT_EQ(platform::hostPlace("adsrv", names), "10.0.0.5");
    EXPECT_EQ(platform::hostPlace("lan6", names), "[fe80::1]");
    for (const char* name : {"gone", "named", "other.example"})
        EXPECT_EQ(platform::hostPlace(name, names), name) << name;
    // The reverse: a click URL naming the machine by name, a tracker by address.
    EXPECT_TRUE(DZPageTrackers::standsFor("http://127.0.0.1:8089/c", {"http://localhost:8089/c"}));
    EXPECT_TRUE(DZPageTrackers::standsFor("http://[::1]:8089/c", {"http://localhost.:8089/c"}));
    // An address where the click URL names its server may be that server's: no name is looked up.
    EXPECT_TRUE(DZPageTrackers::standsFor("http://10.0.0.1/c", {"http://ads.example/c"}));
    EXPECT_TRUE(DZPageTrackers::standsFor("http://[2001:db8::1]/c", {"http://ads.example/c"}));

    // Honest trackers: another path, port, address, name or parameter value is pinged.
    for (const std::string url :
         {"http://127.0.0.1:8089/t?id=7&s=a+b", "http://127.0.0.1:8090/click?id=7&s=a+b",
          "http://127.0.0.1:8089/click?id=8&s=a+b", "http://127.0.0.1:8089/click?id=7",
          "http://10.0.0.1:8089/click?id=7&s=a+b", "http://[::2]:8089/click?id=7&s=a+b",
          "http://tracker.example:8089/click?id=7&s=a+b", "http://localhost.example:8089/click?id=7&s=a+b",
          "http://127.0.0.1:8089/click/more?id=7&s=a+b", "http://127.0.0.1:8089/click%2e?id=7&s=a+b",
          "http://127.0.0.1:8089/click/%2e%2e/t?id=7&s=a+b", "not a url"})
        EXPECT_FALSE(DZPageTrackers::standsFor(url, kClick)) << url;
    EXPECT_FALSE(DZPageTrackers::standsFor("http://10.0.0.1/t", {"http://ads.example/c"}));
    EXPECT_FALSE(DZPageTrackers::standsFor("http://127.0.0.1/c", {"http://ads.example/c"}));
}

// Once connected, a hop asking for the click's resource stands for it at an address and port of
// the click's server, whatever name it gave: the address a name resolves to, however written. The
// same resource elsewhere, or another one there, does not. No address here is ever reached.
TEST(PageTrackers, OnceConnectedTheClicksServerIsKnownByItsAddressAndPort) {
    tikoleap::test::AdViewTestBed bed;  // the slot's view on the scripted engine
    struct Names {
        Names() { platform::HostLookup::overrideForTesting("ads.test", "10.0.0.5"); }
        ~Names() { platform::HostLookup::clearOverridesForTesting(); }
    } names;
    auto ad = std::make_shared<DZAd>();
    ad->addClickURLsFromArray({"http://ads.test:8089/click?id=7"});
    ad->addImpressionURLsFromArray({"http://[2001:db8::5]:8090/imp?x=1"});
    auto slot = DZSlot::create({0, 0, 320, 50});
    slot->finishedLoadingAdResponse(ad);
    const auto check = DZPageTrackers::hopCheck(slot);
    ASSERT_TRUE(check.connected);
    const std::string other = "http://any.ads.test:8089";
    for (const platform::HttpConnectedHop& hop : std::vector<platform::HttpConnectedHop>{
             {other + "/click?id=7", "10.0.0.5", 8089},
             {other + "/x/../click?n=1&id=7", "::ffff:10.0.0.5", 8089},
             {"http://elsewhere.test/imp?x=1", "2001:db8::5", 8090},
             {"http://elsewhere.test:8090/imp?x=1#f", "2001:0db8:0::5", 8090}})
        EXPECT_FALSE(check.connected(hop)) << hop.url << " at " << hop.address;
    for (const platform::HttpConnectedHop& hop :
         std::vector<platform::HttpConnectedHop>{{other + "/t?id=7", "10.0.0.5", 8089},
                                                 {other + "/click?id=8", "10.0.0.5", 8089},
                                                 {other + "/click?id=7", "10.0.0.6", 8089},
                                                 {other + "/click?id=7", "10.0.0.5", 8090},
                                                 {other + "/click?id=7", "127.0.0.1", 8089},
                                                 {"http://elsewhere.test/imp?x=1", "2001:db8::6", 8090}})
        EXPECT_TRUE(check.connected(hop)) << hop.url << " at " << hop.address << ":" << hop.port;
}

}  // namespace
