#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <thread>

#include "support/Command.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/MRAIDCreatives.h"
#include "tools/adserver/MRAIDScript.h"
#include "tools/adserver/MediationConfigurations.h"
#include "tools/adserver/PurchaseBanner.h"
#include "tools/adserver/SwipeBanner.h"

extern char** environ;

namespace {

using tikoleap::adserver::AdServer;

class AdServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.start(0, log.path() / "hits.jsonl"));
        http = std::make_unique<httplib::Client>("127.0.0.1", server.port());
        http->set_read_timeout(10, 0);
        http->set_connection_timeout(5, 0);
    }
    httplib::Result ad(const std::string& unit, const std::string& more = "") {
        return http->Get("/zads/ad?slotname=" + unit + more);
    }

    tikoleap::test::TempDir log{"tikoleap-adserver"};
    AdServer server;
    std::unique_ptr<httplib::Client> http;
};

TEST_F(AdServerTest, EachUnitGivesItsAnswer) {
    httplib::Client& client = *http;
    for (const std::string unit : {"tikoleap-banner", "some-unknown-unit"}) {
        auto res = ad(unit);
        ASSERT_TRUE(res) << unit;
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html");
        EXPECT_EQ(res->get_header_value("x-zazo-refresh-rate"), "60");
        EXPECT_EQ(res->get_header_value("x-zazo-ad-size"), "320x50");
        EXPECT_EQ(nlohmann::json::parse(res->get_header_value("x-zazo-zadavaduru")),
                  (nlohmann::json{{"visible_share", 0.5}}));
        EXPECT_TRUE(std::regex_match(res->get_header_value("x-zazo-tracking-urls"),
                                     std::regex("http://127\\.0\\.0\\.1:\\d+/adpage/imp\\?slot=.*")));
        EXPECT_TRUE(std::regex_match(res->get_header_value("x-zazo-click-tracking-urls"),
                                     std::regex("http://127\\.0\\.0\\.1:\\d+/adpage/click\\?slot=.*")));
        EXPECT_NE(res->body.find("background:#e0007a"), std::string::npos);
        EXPECT_NE(res->body.find("href=\"/landing?slot="), std::string::npos);
    }
    auto interstitial = ad("tikoleap-interstitial");
    ASSERT_TRUE(interstitial);
    EXPECT_EQ(interstitial->status, 200);
    EXPECT_NE(interstitial->body.find("background:rgb(32,160,96)"), std::string::npos);
    EXPECT_NE(interstitial->body.find("top:160px;width:100%;height:160px"), std::string::npos);
    EXPECT_NE(interstitial->body.find("href=\"/landing?slot=tikoleap-interstitial&ad="), std::string::npos);
    EXPECT_EQ(interstitial->body.find("mraid"), std::string::npos);
    EXPECT_FALSE(interstitial->has_header("x-zazo-refresh-rate"));
    EXPECT_TRUE(std::regex_match(
        interstitial->get_header_value("x-zazo-tracking-urls"),
        std::regex("http://127\\.0\\.0\\.1:\\d+/adpage/imp\\?slot=tikoleap-interstitial&ad=\\d+")));
    EXPECT_EQ(ad("tikoleap-nofill")->status, 204);
    EXPECT_EQ(ad("tikoleap-http400")->status, 400);
    EXPECT_EQ(ad("tikoleap-http500")->status, 500);

    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(ad("tikoleap-slow", "&delay_ms=300")->status, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(300));
    auto landing = client.Get("/landing?slot=x");
    EXPECT_EQ(landing->status, 200);
    EXPECT_NE(landing->body.find("#ffffff"), std::string::npos);
}

TEST_F(AdServerTest, MediationUnitsAnswerTheirHouseConfigurations) {
    using tikoleap::adserver::MediationConfigurations;
    EXPECT_EQ(
        MediationConfigurations::names(),
        (std::vector<std::string>{"house", "interstitial", "nofill", "reward-empty", "reward", "waterfall"}));
    auto configuration = [&](const std::string& unit) {
        auto res = ad(unit);
        EXPECT_TRUE(res) << unit;
        if (!res) return nlohmann::json();
        EXPECT_EQ(res->status, 200) << unit;
        EXPECT_EQ(res->get_header_value("Content-Type"), "application/json") << unit;
        EXPECT_EQ(res->get_header_value("x-zazo-mediation"), "1") << unit;
        EXPECT_EQ(res->body.find(MediationConfigurations::kBasePlaceholder), std::string::npos) << unit;
        return nlohmann::json::parse(res->body, nullptr, false);
    };
    auto adapters = [](const nlohmann::json& config) {
        std::vector<std::string> out;
        for (const auto& network : config["ad_networks"]) {
            EXPECT_EQ(network["adapters"].size(), 1u);
            out.push_back(network["adapters"][0]);
        }
        return out;
    };
    const std::string base = server.baseURL();
    std::map<std::string, nlohmann::json> house;
    for (const auto& name : MediationConfigurations::names()) {
        const auto config = configuration(MediationConfigurations::kUnitPrefix + name);
        ASSERT_TRUE(config.is_object()) << name;
        house[name] = config;
        // The reward units ping this server themselves (below).
        if (name.rfind("reward", 0) == 0) continue;
        EXPECT_EQ(config["qdata"], "Tiko Leap") << name;
        // No ping URL anywhere: the component's own templates report to this server.
        for (const char* key : {"imp_urls", "click_urls", "nofill_urls"})
            EXPECT_FALSE(config["settings"].contains(key)) << name << " " << key;
        for (const auto& network : config["ad_networks"]) {
            EXPECT_TRUE(network["id"].is_string()) << name;
            EXPECT_FALSE(network.contains("imp_urls") || network.contains("clickurl")) << name;
        }
    }
    // Every reward ping reaches this server's track route, each URL a list of one.
    auto trackURLs = [&](const nlohmann::json& holder, const std::string& name) {
        std::vector<std::string> queries;
        for (const char* key :
             {"imp_urls", "nofill_urls", "clickurl", "video_start_urls", "video_complete_urls"}) {
            if (!holder.contains(key)) continue;
            EXPECT_EQ(holder[key].size(), 1u) << name << " " << key;
            const std::string url = holder[key][0];
            EXPECT_EQ(url.rfind(base + "adpage/track?", 0), 0u) << url;
            queries.push_back(url.substr(url.find('?') + 1));
        }
        return queries;
    };
    const auto& reward = house["reward"];
    EXPECT_EQ(reward["ad_type"], "interstitial");
    EXPECT_EQ(reward["settings"]["rewards"],
              nlohmann::json::parse(R"([{"rb_type":"coins","rb_amount":10}])"));
    EXPECT_EQ(trackURLs(reward["settings"], "reward"), std::vector<std::string>{"rv=imp&q=@gw_qdata@"});
    EXPECT_EQ(adapters(reward),
              (std::vector<std::string>{"TikoLeapTestRewardAdapter", "TikoLeapTestRewardAdapter"}));
    EXPECT_EQ(trackURLs(reward["ad_networks"][0], "rv-never"),
              std::vector<std::string>{"rv=netimp&net=rv-never"});
    EXPECT_EQ(trackURLs(reward["ad_networks"][1], "rv-fill"),
              (std::vector<std::string>{"rv=netimp&net=rv-fill", "rv=click&net=rv-fill",
                                        "rv=start&net=rv-fill", "rv=complete&net=rv-fill"}));
    EXPECT_EQ(reward["ad_networks"][1]["data"]["video"], base + "video/green.webm");
    EXPECT_TRUE(house["reward-empty"]["ad_networks"].empty());
    EXPECT_EQ(trackURLs(house["reward-empty"]["settings"], "reward-empty"),
              std::vector<std::string>{"rv=nofill&q=@gw_qdata@"});

    const auto& waterfall = house["waterfall"];
    EXPECT_EQ(waterfall["ad_type"], "banner");
    EXPECT_EQ(waterfall["settings"], (nlohmann::json{{"ad_network_timeout_millis", 1500}, {"refresh", 60}}));
    EXPECT_EQ(adapters(waterfall),
              (std::vector<std::string>{"TikoNoSuchAdapter", "DZMAdapterHTML", "DZMAdapterCustomEvents",
                                        "DZMAdapterHTML", "DZMAdapterHTML"}));
    const auto& networks = waterfall["ad_networks"];
    EXPECT_EQ(networks[1]["data"]["zdxtym_passback_url"], base + "adpage/passback");
    EXPECT_NE(networks[1]["data"]["zdxtym_html"].get<std::string>().find("<iframe src=\"" + base +
                                                                         "adpage/passback?"),
              std::string::npos);
    EXPECT_EQ(networks[2]["data"]["class_name"], "TikoNoSuchCustomEvent");
    EXPECT_NE(networks[3]["data"]["zdxtym_html"].get<std::string>().find("background:transparent"),
              std::string::npos);
    EXPECT_NE(networks[4]["data"]["zdxtym_html"].get<std::string>().find("background:#1e90ff"),
              std::string::npos);
    // The first two networks alone, so no network fills.
    EXPECT_EQ(adapters(house["nofill"]), (std::vector<std::string>{"TikoNoSuchAdapter", "DZMAdapterHTML"}));
    EXPECT_EQ(house["nofill"]["ad_networks"][1]["data"]["zdxtym_passback_url"], base + "adpage/passback");
    EXPECT_EQ(adapters(house["house"]), std::vector<std::string>{"DZMAdURLAdapter"});
    EXPECT_EQ(house["interstitial"]["ad_type"], "interstitial");
    EXPECT_EQ(adapters(house["interstitial"]),
              (std::vector<std::string>{"DZMAdapterHTML", "DZMAdapterReriveDiDazAds"}));
    EXPECT_EQ(house["interstitial"]["ad_networks"][1]["data"]["pubid"], "tikoleap-interstitial");

    // A network without an "id" makes the whole answer unusable.
    const auto missingID = configuration(MediationConfigurations::kMissingIDUnit);
    ASSERT_EQ(missingID["ad_networks"].size(), 1u);
    EXPECT_FALSE(missingID["ad_networks"][0].contains("id"));
    // An unknown configuration is the house banner, and the invalid mediation answer stays.
    EXPECT_EQ(ad("tikoleap-mediation-nosuch")->get_header_value("Content-Type"), "text/html");
    auto invalid = ad("tikoleap-mediation-html");
    EXPECT_EQ(invalid->get_header_value("x-zazo-mediation"), "true");
    EXPECT_EQ(invalid->get_header_value("Content-Type"), "text/html");
}

TEST(AdServerUnits, TheAnnouncedUnitsAreNamesOnlyAndTheRefreshIntervalIsInRange) {
    tikoleap::adserver::AdServer server;
    for (const std::string& bad : std::vector<std::string>{"", "Banner", "a<b", "a b", std::string(65, 'a')})
        EXPECT_FALSE(server.setAnnouncedUnits(bad, "tikoleap-interstitial")) << bad;
    ASSERT_TRUE(server.setAnnouncedUnits("tikoleap-mraid-compliance", "tikoleap-mraid-interstitial"));
    for (int bad : {-1, 0, 3601}) EXPECT_FALSE(server.setRefreshInterval(bad)) << bad;
    ASSERT_TRUE(server.start(0, ""));
    httplib::Client client("127.0.0.1", server.port());
    auto list = client.Get("/cmd/announce");
    ASSERT_TRUE(list);
    EXPECT_NE(list->body.find("<string>tikoleap-mraid-compliance</string>"), std::string::npos);
    EXPECT_NE(list->body.find("<string>tikoleap-mraid-interstitial</string>"), std::string::npos);
    EXPECT_EQ(list->body.find("<string>tikoleap-banner</string>"), std::string::npos);
    EXPECT_NE(list->body.find("<string>didazRefreshInterval</string><string>60</string>"), std::string::npos);
    EXPECT_NE(AdServer::announceListXML("http://127.0.0.1:1/", "b", "i", 3600)
                  .find("<string>didazRefreshInterval</string><string>3600</string>"),
              std::string::npos);
}

TEST_F(AdServerTest, TheSwipeBannerLetsTheScreenBeSampledAndNamesItsSwipe) {
    using tikoleap::adserver::SwipeBanner;
    auto res = ad(SwipeBanner::kUnit);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("x-zazo-content-url-opted-out"), "false");
    EXPECT_EQ(res->get_header_value("x-zazo-ad-size"), "320x50");
    std::smatch number;
    const std::string tracking = res->get_header_value("x-zazo-tracking-urls");
    ASSERT_TRUE(std::regex_search(tracking, number, std::regex("slot=tikoleap-swipe&ad=(\\d+)$")))
        << tracking;
    EXPECT_EQ(nlohmann::json::parse(res->get_header_value("x-zazo-swipe-to-view-controller")),
              nlohmann::json::parse(R"({"app_store_product_id":1,
                                        "swipeable_rectangles":[{"x":0,"y":0,"width":320,"height":50}],
                                        "swipe_event_creative_metadata":{"creative":"swipe","ad":")" +
                                    number[1].str() + "\"}}"));
    EXPECT_NE(res->body.find(std::string("<body>") + SwipeBanner::kText + "</body>"), std::string::npos);
    EXPECT_NE(res->body.find("'enableSwipeToViewController'"), std::string::npos);
    // Only the swipe banner switches the sampling on, unless the run shows it: then every answer
    // leaves sampling on (a later interstitial's answer would otherwise switch it off), but a no-fill
    // answers nothing.
    EXPECT_FALSE(ad("tikoleap-banner")->has_header("x-zazo-content-url-opted-out"));
    AdServer swipeRun;
    ASSERT_TRUE(swipeRun.setAnnouncedUnits(SwipeBanner::kUnit, "tikoleap-interstitial"));
    ASSERT_TRUE(swipeRun.start(0, ""));
    httplib::Client client("127.0.0.1", swipeRun.port());
    for (const std::string unit : {"tikoleap-interstitial", "tikoleap-banner", "tikoleap-nofill"}) {
        auto answer = client.Get("/zads/ad?slotname=" + unit);
        ASSERT_TRUE(answer) << unit;
        EXPECT_EQ(answer->get_header_value("x-zazo-content-url-opted-out"),
                  unit == "tikoleap-nofill" ? "" : "false")
            << unit;
    }
}

TEST_F(AdServerTest, ThePurchaseBannerOffersCoinsAndReportsToTrackAndConversion) {
    using tikoleap::adserver::PurchaseBanner;
    // A slot without a purchase delegate could not take the offer: it gets the house banner.
    for (const std::string more : {"", "&iap_set=0"}) {
        auto plain = ad(PurchaseBanner::kUnit, more);
        ASSERT_TRUE(plain && plain->status == 200) << more;
        EXPECT_NE(plain->body.find("background:#e0007a"), std::string::npos) << more;
        EXPECT_EQ(plain->body.find("in_app_purchase"), std::string::npos) << more;
    }
    auto res = ad(PurchaseBanner::kUnit, "&iap_set=1");
    ASSERT_TRUE(res && res->status == 200);
    // The house banner's headers, its impression naming the ad's number.
    EXPECT_EQ(res->get_header_value("x-zazo-refresh-rate") + " " + res->get_header_value("x-zazo-ad-size"),
              "60 320x50");
    const std::string tracking = res->get_header_value("x-zazo-tracking-urls");
    const std::string number = tracking.substr(tracking.rfind("&ad=") + 4);
    EXPECT_NE(tracking.find("/adpage/imp?slot=tikoleap-iap&ad="), std::string::npos) << tracking;
    const std::string& body = res->body;
    EXPECT_NE(body.find("background:#d4a017"), std::string::npos);
    EXPECT_NE(body.find(std::string(">") + PurchaseBanner::kText + "<"), std::string::npos);
    EXPECT_EQ(body.find("href="), std::string::npos);
    EXPECT_NE(
        body.find("amsg://page/open?a=in_app_purchase&product_id=tikoleap.coins&quantity=2&report_urls="),
        std::string::npos);
    // The outcome goes to this server's track ping under the same ad number.
    EXPECT_NE(body.find("'" + server.baseURL() + "adpage/track?c=iap&ad=" + number +
                        "&sku=@sku@&quantity=@quantity@&status=@status@'"),
              std::string::npos)
        << body;

    auto conversion = http->Get("/adpage/conversion/?sku=tikoleap.coins&price=0.99&retry=1");
    ASSERT_TRUE(conversion);
    EXPECT_EQ(conversion->status, 204);
    const auto hits = server.log();
    ASSERT_FALSE(hits.empty());
    EXPECT_EQ(hits.back()["kind"], "conversion");
    EXPECT_EQ(hits.back()["query"],
              (nlohmann::json{{"sku", "tikoleap.coins"}, {"price", "0.99"}, {"retry", "1"}}));
}

TEST_F(AdServerTest, TheDelayCreativeTakesOnlyAWholeNumberOfMillisecondsInRange) {
    for (const std::string bad : {"", "-1", "1e3", "12a", "120001", "99999999999999999999", "%20"}) {
        auto res = http->Get("/creative/delay?ms=" + bad);
        ASSERT_TRUE(res) << bad;
        EXPECT_EQ(res->status, 400) << bad;
    }
    EXPECT_EQ(http->Get("/creative/delay")->status, 400);
    // The rest of the page waits until the page says, from its head, that its start has left.
    std::string body;
    bool heardBeforeTheRest = false;
    httplib::Client page("127.0.0.1", server.port());
    auto res = http->Get("/creative/delay?ms=250", [&](const char* data, std::size_t size) {
        body.append(data, size);
        static const std::regex heard("/creative/delay/heard\\?id=\\d+");
        std::smatch found;
        if (!heardBeforeTheRest && std::regex_search(body, found, heard)) {
            EXPECT_EQ(body.find("<a "), std::string::npos);
            auto told = page.Get(found.str());
            heardBeforeTheRest = told && told->status == 204;
        }
        return true;
    });
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_TRUE(heardBeforeTheRest);
    const auto start = body.find("tlSend('start=1')");
    const auto stop = body.find("tlSend('stop=1');},250)");
    ASSERT_NE(start, std::string::npos);
    EXPECT_LT(start, stop);
    EXPECT_LT(start, body.find("<a "));  // asked for before the page can finish
    EXPECT_NE(http->Get("/creative/autoclick")->body.find(".click()"), std::string::npos);
    EXPECT_EQ(http->Get("/creative/house-banner")->body.find("<script"), std::string::npos);
}

TEST_F(AdServerTest, EveryHitIsLoggedToTheFileAndAtTheLogPath) {
    httplib::Client& client = *http;
    ad("tikoleap-banner", "&a=1&a=2");
    client.Get("/adpage/imp?slot=x", {{"X-Custom", "Yes"}});
    client.Get("/adpage/click");
    client.Get("/landing");
    client.Post("/adpage/gen_204", "twelve bytes", "text/plain");
    client.Get("/nowhere");
    auto res = client.Get("/_log");
    ASSERT_TRUE(res);
    const auto hits = nlohmann::json::parse(res->body);
    ASSERT_EQ(hits.size(), 7u);  // the log's own hit too
    const std::vector<std::string> kinds = {"ad_request", "impression", "click", "landing",
                                            "report",     "other",      "other"};
    for (std::size_t i = 0; i < hits.size(); ++i) {
        EXPECT_EQ(hits[i]["seq"], i + 1);
        EXPECT_EQ(hits[i]["kind"], kinds[i]);
        for (const char* key : {"ms", "method", "path", "query", "headers", "body_bytes"})
            EXPECT_TRUE(hits[i].contains(key)) << key;
    }
    EXPECT_EQ(hits[0]["query"], nlohmann::json({{"slotname", "tikoleap-banner"}, {"a", "1"}}));
    EXPECT_EQ(hits[1]["headers"]["x-custom"], "Yes");
    EXPECT_EQ(hits[4]["method"], "POST");
    EXPECT_EQ(hits[4]["body_bytes"], 12);

    std::ifstream file(log.path() / "hits.jsonl");
    std::string line;
    std::size_t lines = 0;
    while (std::getline(file, line)) {
        EXPECT_EQ(nlohmann::json::parse(line)["seq"], ++lines);
    }
    EXPECT_EQ(lines, 7u);
}

TEST_F(AdServerTest, MediationReportsAnswerNoContentAndAreLoggedByKind) {
    for (const char* path : {"/imp?ad_loc=u&aec=4,1,2,3,0", "/clk?ad_loc=u", "/nofill?ad_loc=u&aec=4,1"})
        EXPECT_EQ(http->Get(path)->status, 204) << path;
    EXPECT_EQ(http->Post("/clk", "x", "text/plain")->status, 204);
    const auto hits = server.log();
    std::vector<std::string> kinds;
    for (const auto& hit : hits) kinds.push_back(hit["kind"]);
    EXPECT_EQ(kinds, (std::vector<std::string>{"mediation_impression", "mediation_click", "mediation_nofill",
                                               "mediation_click"}));
    EXPECT_EQ(hits[2]["query"], (nlohmann::json{{"ad_loc", "u"}, {"aec", "4,1"}}));
}

TEST_F(AdServerTest, TheBadAdReportMustBeTheReportObjectAndTheBlankPagePaintsNothing) {
    httplib::Client& client = *http;
    EXPECT_EQ(client.Post("/adpage/badad", R"({"debugHeader":"ad 7"})", "application/json")->status, 204);
    EXPECT_EQ(client.Post("/adpage/badad", R"({"debugHeader":null})", "application/json")->status, 204);
    for (const auto& [body, type] : std::vector<std::pair<std::string, std::string>>{
             {R"({"debugHeader":"ad 7"})", "text/plain"},
             {R"({"debugHeader":7})", "application/json"},
             {R"({"debugHeader":"a","more":1})", "application/json"},
             {R"(["debugHeader"])", "application/json"},
             {R"({"debugHeader":)", "application/json"}})
        EXPECT_EQ(client.Post("/adpage/badad", body, type)->status, 400) << body.substr(0, 40) << " " << type;
    // Too long a report is refused unread.
    EXPECT_EQ(client
                  .Post("/adpage/badad",
                        "{\"debugHeader\":\"" + std::string(AdServer::kMaxReportBytes, 'd') + "\"}",
                        "application/json")
                  ->status,
              413);
    for (const auto& hit : server.log()) EXPECT_EQ(hit["kind"], "report");

    auto blank = client.Get("/creative/blank");
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->status, 200);
    EXPECT_NE(blank->body.find("<body style=\"margin:0;background:transparent\"></body>"), std::string::npos);
    EXPECT_EQ(server.log().back()["kind"], "creative");
}

TEST_F(AdServerTest, RichMediaScriptsCreativesAndTheirBeacons) {
    using tikoleap::adserver::MRAIDCreatives;
    using tikoleap::adserver::MRAIDScript;
    for (const auto& [path, call] : std::vector<std::pair<std::string, std::string>>{
             {MRAIDScript::kBannerPath, "('banner');"},
             {MRAIDScript::kInterstitialPath, "('interstitial');"},
             {MRAIDScript::kExpandedBannerPath, "('expanded');"}}) {
        auto res = http->Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->get_header_value("Content-Type"), "application/javascript");
        EXPECT_NE(res->body.find("mraidLoaded"), std::string::npos);
        EXPECT_EQ(res->body.substr(res->body.rfind('(')), call + "\n") << path;
        EXPECT_EQ(server.log().back()["kind"], "script");
    }
    ASSERT_FALSE(MRAIDCreatives::names().empty());
    for (const auto& name : MRAIDCreatives::names()) {
        auto res = ad("tikoleap-mraid-" + name);
        ASSERT_TRUE(res) << name;
        EXPECT_EQ(res->status, 200);
        EXPECT_NE(res->body.find("<script src=\"mraid.js\"></script>"), std::string::npos) << name;
        EXPECT_NE(res->body.find("var TL_NAME = '" + name + "';"), std::string::npos) << name;
        EXPECT_NE(res->body.find("/landing?slot=tikoleap-mraid-" + name + "&ad="), std::string::npos) << name;
        EXPECT_TRUE(res->has_header("x-zazo-click-tracking-urls")) << name;
        // An interstitial fills the window; a banner keeps the house banner's size and refresh.
        EXPECT_EQ(res->get_header_value("x-zazo-ad-size"),
                  MRAIDCreatives::isInterstitial(name) ? "" : "320x50")
            << name;
        EXPECT_EQ(http->Get(MRAIDCreatives::kPathPrefix + name)->status, 200) << name;
        EXPECT_EQ(server.log().back()["kind"], "creative");
    }
    // The actions interstitial has a unit of its own, and its store product a fallback page.
    auto actions = ad(AdServer::kActionsUnit);
    ASSERT_TRUE(actions);
    EXPECT_NE(actions->body.find("var TL_NAME = 'actions';"), std::string::npos);
    EXPECT_NE(actions->body.find("/landing?slot=tikoleap-actions&ad="), std::string::npos);
    EXPECT_EQ(actions->get_header_value("x-zazo-ad-size"), "");
    auto fallback = http->Get(MRAIDCreatives::kStoreFallbackPath);
    ASSERT_TRUE(fallback);
    EXPECT_EQ(fallback->status, 200);
    EXPECT_EQ(server.log().back()["kind"], "store_fallback");
    EXPECT_NE(ad("tikoleap-mraid-nosuch")->body.find("background:#e0007a"), std::string::npos);
    EXPECT_EQ(http->Get(std::string(MRAIDCreatives::kPathPrefix) + "nosuch")->status, 404);
    EXPECT_NE(http->Get(MRAIDCreatives::kSecondPagePath)->body.find("mraid.close()"), std::string::npos);
    auto picture = http->Get(MRAIDCreatives::kPicturePath);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->get_header_value("Content-Type"), "image/bmp");
    EXPECT_EQ(picture->body.substr(0, 2), "BM");
    EXPECT_EQ(picture->body.size(), 54u + 64 * 64 * 3);

    auto beacon = http->Get("/beacon?e=state&c=compliance&n=3&s=expanded");
    ASSERT_TRUE(beacon);
    EXPECT_EQ(beacon->status, 204);
    const auto hit = server.log().back();
    EXPECT_EQ(hit["kind"], "beacon");
    EXPECT_EQ(hit["query"],
              nlohmann::json({{"e", "state"}, {"c", "compliance"}, {"n", "3"}, {"s", "expanded"}}));
}

TEST_F(AdServerTest, TheBannerUnitRotatesOnlyWhenAskedTo) {
    using tikoleap::adserver::MRAIDCreatives;
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(ad("tikoleap-banner")->body.find("background:#e0007a"), std::string::npos);
    AdServer rotating;
    rotating.setRotateBanner(true);
    ASSERT_TRUE(rotating.start(0, ""));
    httplib::Client client("127.0.0.1", rotating.port());
    client.set_read_timeout(10, 0);
    auto next = [&] {
        auto res = client.Get("/zads/ad?slotname=tikoleap-banner");
        EXPECT_TRUE(res && res->status == 200);
        if (!res) return std::string();
        static const std::regex name("var TL_NAME = '([a-z-]+)';");
        std::smatch found;
        if (std::regex_search(res->body, found, name)) return found[1].str();
        return res->body.find("background:#e0007a") != std::string::npos ? std::string("house")
                                                                         : std::string("?");
    };
    std::vector<std::string> expected = {"house"};
    for (const auto& banner : MRAIDCreatives::bannerNames()) expected.push_back(banner);
    expected.push_back("house");
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < expected.size(); ++i) seen.push_back(next());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "interstitial"), 0);
}

TEST(AdServerProgram, PrintsItsURLServesAndEndsOnSIGTERM) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string program = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adserver";
    char* argv[] = {const_cast<char*>(program.c_str()),
                    const_cast<char*>("--port"),
                    const_cast<char*>("0"),
                    const_cast<char*>("--banner-unit"),
                    const_cast<char*>("tikoleap-swipe"),
                    const_cast<char*>("--refresh-interval"),
                    const_cast<char*>("1"),
                    nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);

    std::string printed;
    pollfd fd{out[0], POLLIN, 0};
    char c = 0;
    while (printed.find('\n') == std::string::npos && poll(&fd, 1, 10000) == 1 && read(out[0], &c, 1) == 1)
        printed += c;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(printed, m, std::regex("http://127\\.0\\.0\\.1:(\\d+)/\n"))) << printed;
    httplib::Client client("127.0.0.1", std::stoi(m[1]));
    client.set_read_timeout(10, 0);
    auto res = client.Get("/zads/ad?slotname=tikoleap-nofill");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 204);
    auto list = client.Get("/cmd/announce");
    ASSERT_TRUE(list);
    EXPECT_NE(list->body.find("<string>tikoleap-swipe</string>"), std::string::npos);
    EXPECT_NE(list->body.find("<string>didazRefreshInterval</string><string>1</string>"), std::string::npos);

    kill(pid, SIGTERM);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 1000 && (done = waitpid(pid, &status, WNOHANG)) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    ASSERT_EQ(done, pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read(out[0], &c, 1), 0);  // exactly one line
    close(out[0]);

    for (const char* bad : {"0", "3601", "5s", ""}) {
        const auto refused = tikoleap::test::runCommand(program + " --refresh-interval '" + bad + "' 2>&1");
        EXPECT_EQ(refused.code, 2) << bad;
        EXPECT_NE(refused.out.find("--refresh-interval must be"), std::string::npos) << refused.out;
    }
    // A port another server holds is refused; asking for help is no error.
    AdServer holder;
    ASSERT_TRUE(holder.start(0, ""));
    const auto second = tikoleap::test::runCommand("timeout 10 " + program + " --port " +
                                                   std::to_string(holder.port()) + " 2>&1");
    EXPECT_EQ(second.code, 1) << second.out;
    EXPECT_NE(second.out.find("cannot listen on 127.0.0.1:" + std::to_string(holder.port())),
              std::string::npos)
        << second.out;
    const auto help = tikoleap::test::runCommand(program + " --help 2>/dev/null");
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind("usage: tikoleap-adserver", 0), 0u) << help.out;
}

}  // namespace

namespace {

TEST_F(AdServerTest, TheTokenEndpointAnswersTheRefreshGrantAndItsForms) {
    const auto post = [this](const std::string& refreshToken, const std::string& grant = "refresh_token") {
        return http->Post("/oauth2/v3/token",
                          "client_id=c&grant_type=" + grant + "&refresh_token=" + refreshToken +
                              "&scope=https%3A%2F%2F127.0.0.1%2Fauth%2Fdisplay_ads",
                          "application/x-www-form-urlencoded");
    };
    auto plain = post("r");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->status, 200);
    EXPECT_EQ(nlohmann::json::parse(plain->body),
              nlohmann::json({{"access_token", "tikoleap-token-1"}, {"expires_in", 3600}}));
    auto error = post("tikoleap-error-503");
    EXPECT_EQ(error->status, 503);
    EXPECT_EQ(error->body, R"({"error":"refused"})");
    EXPECT_EQ(nlohmann::json::parse(post("tikoleap-expires-30")->body)["expires_in"], 30);
    EXPECT_EQ(nlohmann::json::parse(post("tikoleap-expires-soon")->body)["expires_in"], "soon");
    auto failing = post("tikoleap-status-502");
    EXPECT_EQ(failing->status, 502);
    EXPECT_TRUE(nlohmann::json::parse(failing->body).contains("access_token"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(post("tikoleap-slow-300")->status, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    for (const auto& bad : {post("r", "password"), post("tikoleap-slow-x"),
                            http->Post("/oauth2/v3/token", "grant_type=refresh_token", "text/plain")})
        EXPECT_EQ(bad->status, 400);

    const auto log = server.log();
    const auto tokens =
        std::count_if(log.begin(), log.end(), [](const auto& hit) { return hit["kind"] == "token"; });
    EXPECT_EQ(tokens, 9);
    EXPECT_EQ(log.front()["form"], nlohmann::json({{"client_id", "c"},
                                                   {"grant_type", "refresh_token"},
                                                   {"refresh_token", "r"},
                                                   {"scope", "https://127.0.0.1/auth/display_ads"}}));
}

}  // namespace
