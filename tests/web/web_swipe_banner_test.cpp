// The swipe house banner and the core page's answers on the real engine: the banner's text is the
// sentence alone, the first "onAdVisible" enables the swipe and each swipe event is beaconed with
// the metadata it came back with; the core page hands the screen sample on in the ad URL, and
// answers a mediation request without an ad unit with the house banner itself.
#include <gtest/gtest.h>
#include <httplib.h>

#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "WebAdServer.h"
#include "WebTestKit.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/CorePage.h"
#include "tools/adserver/SwipeBanner.h"

using tikoleap::adserver::SwipeBanner;
using webtest::adServer;
using webtest::evaluate;
using webtest::runUntil;

namespace {

httplib::Result get(const std::string& path) {
    httplib::Client client("127.0.0.1", adServer().port());
    client.set_read_timeout(10, 0);
    return client.Get(path);
}

std::vector<nlohmann::json> hitsOfKind(const std::string& kind) {
    std::vector<nlohmann::json> out;
    for (const auto& hit : adServer().log())
        if (hit["kind"] == kind) out.push_back(hit["query"]);
    return out;
}

// The ad URL in the core page's "loadAdURL" message, fetched as the ad component would: the
// server's ad_request hit it made.
nlohmann::json fetchedAdRequest(const std::string& message) {
    const auto start = message.find("url=");
    EXPECT_NE(start, std::string::npos) << message;
    if (start == std::string::npos) return nullptr;
    const std::string url =
        httplib::detail::decode_url(message.substr(start + 4, message.find('&', start) - start - 4), false);
    const std::string origin = adServer().baseURL().substr(0, adServer().baseURL().size() - 1);
    EXPECT_EQ(url.rfind(origin + "/zads/ad?", 0), 0u) << url;
    if (url.rfind(origin, 0) != 0 || !get(url.substr(origin.size()))) return nullptr;
    return hitsOfKind("ad_request").back();
}

class WebSwipeBanner : public webtest::ViewTest {
  protected:
    WebSwipeBanner() : ViewTest(320, 50) {}
    std::vector<std::string> messages(const std::string& name) const {
        std::vector<std::string> out;
        const std::string prefix = "amsg://page/" + name;
        for (const auto& n : recorder.navigations)
            if (n.url.rfind(prefix, 0) == 0) out.push_back(n.url.substr(prefix.size()));
        return out;
    }
    void tell(const std::string& name, const std::string& data) {
        ASSERT_TRUE(evaluate(*engine, "ZAZO_ReceiveMessage('" + name + "', " + data + "); 1").ok) << name;
    }
};

}  // namespace

TEST_F(WebSwipeBanner, ItsTextIsTheSentenceItEnablesTheSwipeOnceAndBeaconsTheSwipeEvents) {
    auto answer = get(std::string("/zads/ad?slotname=") + SwipeBanner::kUnit);
    ASSERT_TRUE(answer);
    const auto metadata = nlohmann::json::parse(
        answer->get_header_value("x-zazo-swipe-to-view-controller"))["swipe_event_creative_metadata"];
    load(answer->body, adServer().baseURL());
    recorder.allow = false;  // as the ad view, which takes the page's messages itself
    EXPECT_EQ(evaluate(*engine, "document.body.innerText").value, SwipeBanner::kText);

    const std::string geometry =
        "{creativeFrame:{x:0,y:0,width:320,height:50},deviceFrame:{x:0,y:0,width:320,height:480},"
        "deviceOrientation:'portrait',anySuperViewScrollable:'0'}";
    const auto before = hitsOfKind("beacon").size();
    tell("onAdVisible", geometry);
    tell("onAdVisible", geometry);
    ASSERT_TRUE(runUntil([&] { return !messages("enableSwipeToViewController").empty(); }));
    tell("onSwipeableViewControllerPresentationFinished", metadata.dump());
    tell("onSwipeableViewControllerPresentationCanceled", "{}");
    tell("onSwipeToViewControllerDismissed", metadata.dump());
    tell("onScreenInfoChanged", metadata.dump());
    ASSERT_TRUE(runUntil([&] { return hitsOfKind("beacon").size() >= before + 4; }));
    webtest::runFor(0.3);
    EXPECT_EQ(messages("enableSwipeToViewController"),
              std::vector<std::string>{"?swipe_direction=top_to_bottom&ad_draggable=1"});
    // Images load in any order.
    std::multiset<std::string> beacons;
    const auto hits = hitsOfKind("beacon");
    for (auto it = hits.begin() + static_cast<long>(before); it != hits.end(); ++it)
        beacons.insert(it->dump());
    const std::string ad = metadata["ad"];
    EXPECT_EQ(beacons,
              (std::multiset<std::string>{
                  R"({"e":"onAdVisible"})",
                  R"({"ad":")" + ad + R"(","c":"swipe","e":"onSwipeableViewControllerPresentationFinished"})",
                  R"({"e":"onSwipeableViewControllerPresentationCanceled"})",
                  R"({"ad":")" + ad + R"(","c":"swipe","e":"onSwipeToViewControllerDismissed"})"}));
}

TEST_F(WebSwipeBanner,
       TheCorePageHandsTheScreenSampleAndTokenOnInTheAdURLAndLeavesTheTraversalIntervalAlone) {
    load(tikoleap::adserver::CorePage::html("{}"), adServer().baseURL());
    recorder.allow = false;
    ASSERT_TRUE(evaluate(*engine, "ZAZO_getSdkConstants({js: '1'}); 1").ok);
    ASSERT_TRUE(evaluate(*engine,
                         "ZAZO_getAd({slotname: 'tikoleap-swipe', request_id: '7', sz: '320x50', "
                         "content_info: {fingerprint: 'CVKL52qMYV_9iRMRHJHZ9w==', v: 1}, "
                         "pan: {token: 'tikoleap-token-1'}}); 1")
                    .ok);
    ASSERT_TRUE(
        runUntil([&] { return !messages("loadAdURL").empty() && !messages("loadSdkConstants").empty(); }));
    EXPECT_EQ(messages("loadSdkConstants")[0].find("traversal_interval"), std::string::npos);

    // The server sees the sample as its JSON.
    const auto query = fetchedAdRequest(messages("loadAdURL")[0]);
    ASSERT_TRUE(query.is_object());
    EXPECT_EQ(query["slotname"], "tikoleap-swipe");
    EXPECT_EQ(query["sz"], "320x50");
    EXPECT_EQ(nlohmann::json::parse(query["content_info"].get<std::string>()),
              (nlohmann::json{{"fingerprint", "CVKL52qMYV_9iRMRHJHZ9w=="}, {"v", 1}}));
    EXPECT_EQ(nlohmann::json::parse(query.value("pan", "null")),
              (nlohmann::json{{"token", "tikoleap-token-1"}}));
}

TEST_F(WebSwipeBanner, TheCorePageAnswersAMediationRequestWithoutAnAdUnitWithTheHouseBanner) {
    const nlohmann::json houseAd = {{"ad_html", "<p>house</p>"}, {"ad_base_url", adServer().baseURL()}};
    load(tikoleap::adserver::CorePage::html(houseAd.dump()), adServer().baseURL());
    recorder.allow = false;
    ASSERT_TRUE(evaluate(*engine,
                         "ZAZO_getAdapterLessMediationAd({request_id: '9', slotname: 'tikoleap-banner', "
                         "'rerive-ad-url-mediation': '1', data: {}}); 1")
                    .ok);
    ASSERT_TRUE(runUntil([&] { return !messages("loadAd").empty() || !messages("loadAdURL").empty(); }));
    webtest::runFor(0.2);
    EXPECT_TRUE(messages("loadAdURL").empty());
    ASSERT_EQ(messages("loadAd").size(), 1u);
    const std::string message = messages("loadAd")[0];
    const std::string prefix = "?request_id=9&fetched_ad=";
    ASSERT_EQ(message.rfind(prefix, 0), 0u) << message;
    EXPECT_EQ(nlohmann::json::parse(httplib::detail::decode_url(message.substr(prefix.size()), false)),
              houseAd);
}

TEST_F(WebSwipeBanner, TheCorePageHandsARewardVideoRequestAndItsUserOnInTheAdURL) {
    load(tikoleap::adserver::CorePage::html("{}"), adServer().baseURL());
    recorder.allow = false;
    ASSERT_TRUE(evaluate(*engine,
                         "ZAZO_getAd({slotname: 'tikoleap-mediation-reward', request_id: '3', rbv: '1', "
                         "format: 'reward_mb', rbv_user_id: 'player 7'});"
                         "ZAZO_getAd({slotname: 'tikoleap-mediation-reward', request_id: '4', rbv: '1', "
                         "format: 'reward_mb'}); 1")
                    .ok);
    ASSERT_TRUE(runUntil([&] { return messages("loadAdURL").size() >= 2; }));
    const auto withUser = fetchedAdRequest(messages("loadAdURL")[0]);
    ASSERT_TRUE(withUser.is_object());
    EXPECT_EQ(withUser["rbv"], "1");
    EXPECT_EQ(withUser["format"], "reward_mb");
    EXPECT_EQ(withUser["rbv_user_id"], "player 7");
    const auto withoutUser = fetchedAdRequest(messages("loadAdURL")[1]);
    ASSERT_TRUE(withoutUser.is_object());
    EXPECT_EQ(withoutUser["request_id"], "4");
    EXPECT_EQ(withoutUser["rbv"], "1");
    EXPECT_FALSE(withoutUser.contains("rbv_user_id"));
}
