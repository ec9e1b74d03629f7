// Our native ad support page on the real engine: pre-processing makes the pictures' relative URLs
// absolute on the page's origin and leaves everything else to the app; a click pings the click
// trackers (web URLs only) and opens the click action, or hands the click back to the app. The
// core page passes the native keys on to the ad request.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "WebAdServer.h"
#include "WebTestKit.h"
#include "tools/adserver/CorePage.h"
#include "tools/adserver/NativeAds.h"

using tikoleap::adserver::NativeAds;
using webtest::adServer;
using webtest::evaluate;
using webtest::runUntil;

namespace {

using Message = webtest::PageMessage;

class WebNativeSupportPage : public webtest::ViewTest {
  protected:
    WebNativeSupportPage() : ViewTest(320, 50) {}
    void open(const std::string& html) {
        load(html, adServer().baseURL());
        recorder.allow = false;  // as the slot's ad view, which takes the page's messages itself
    }
    // The page messages since the last call.
    std::vector<Message> messages() {
        auto out = webtest::pageMessages(recorder.navigations, seen_);
        seen_ = recorder.navigations.size();
        return out;
    }
    // Runs the script and collects the messages it makes until `last` is among them (or the
    // time is up; none named: no waiting), then a moment more so that none follow unseen.
    std::vector<Message> run(const std::string& script, const std::string& last) {
        EXPECT_TRUE(evaluate(*engine, script + "; 1").ok) << script;
        std::vector<Message> got;
        if (!last.empty())
            runUntil([&] {
                for (auto& m : messages()) got.push_back(std::move(m));
                return !got.empty() && got.back().name == last;
            });
        webtest::runFor(0.2);
        for (auto& m : messages()) got.push_back(std::move(m));
        return got;
    }
    static std::vector<std::string> names(const std::vector<Message>& got) {
        std::vector<std::string> out;
        for (const auto& m : got) out.push_back(m.name);
        return out;
    }
    std::string answer(const std::string& name) {
        return *NativeAds::answerText(name, adServer().baseURL(), "tikoleap-native-" + name, "7");
    }

    std::size_t seen_ = 0;
};

}  // namespace

TEST_F(WebNativeSupportPage, PreProcessesAnswersAndHandlesClicks) {
    open(NativeAds::supportPageHTML());
    const std::string base = adServer().baseURL();
    const std::string env = R"({"sdk_version":"7.5.2"})";

    auto got = run("rerive.zazo.nativeAds.preProcessJsonAmsg(" + answer("appinstall") + ", " + env + ")",
                   "nativeAdPreProcess");
    ASSERT_EQ(names(got), std::vector<std::string>{"nativeAdPreProcess"});
    const auto ad = nlohmann::json::parse(got[0].params["success"])["ads"][0];
    EXPECT_EQ(ad["app_icon"]["url"], base + "native/img/icon.png");
    EXPECT_EQ(ad["images"][1]["url"], base + "native/img/image2.png");
    EXPECT_EQ(ad["attribution"]["image"]["url"], base + "native/img/adchoices.png");
    EXPECT_EQ(ad["headline"], "Tiko Leap Deluxe");
    // Other schemes stay for the app to refuse; a template's images are resolved too.
    got = run("rerive.zazo.nativeAds.preProcessJsonAmsg(" + answer("hostile-template") + ", " + env + ")",
              "nativeAdPreProcess");
    ASSERT_EQ(got.size(), 1u);
    const auto custom = nlohmann::json::parse(got[0].params["success"])["ads"][0];
    std::map<std::string, std::string> urls;
    for (const auto& asset : custom["custom_assets"])
        if (asset.is_object() && asset.contains("image_value"))
            urls[asset["name"]] = asset["image_value"]["url"];
    EXPECT_EQ(urls["poster"], base + "native/img/poster.png");
    EXPECT_EQ(urls["local"], "file:///etc/passwd");
    EXPECT_EQ(urls["script"], "javascript:alert(1)");
    // What is no ad object comes back as it was.
    got = run("rerive.zazo.nativeAds.preProcessJsonAmsg('not json', {})", "nativeAdPreProcess");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].params["success"], "not json");

    const std::string query = "slot=tikoleap-native-appinstall&ad=7";
    const std::string click = R"("click":{"template":"2","asset":"2002","sdk_version":"7.5.2"})";
    got = run("rerive.zazo.nativeAds.handleClickAmsg({\"ad\":" + ad.dump() + "," + click + "})", "open");
    ASSERT_EQ(names(got), (std::vector<std::string>{"httpTrack", "open"}));
    EXPECT_EQ(got[0].params["u"], base + "adpage/click?" + query);
    EXPECT_EQ(got[1].params["u"], base + "landing?" + query);
    EXPECT_EQ(got[1].params["a"], "app");

    // A custom click handler: pinged, then handed back; nothing opens. Only web URLs are pinged.
    got = run("rerive.zazo.nativeAds.handleClickAmsg({\"ad\":" + custom.dump() + "," + click +
                  ",\"has_custom_click_handler\":true})",
              "nativeAdCustomClick");
    ASSERT_EQ(names(got), (std::vector<std::string>{"httpTrack", "nativeAdCustomClick"}));
    EXPECT_EQ(got[0].params["u"], base + "adpage/click?slot=tikoleap-native-hostile-template&ad=7");
    EXPECT_EQ(got[1].params["asset"], "2002");
    // Nothing to work on: nothing said.
    got =
        run("rerive.zazo.nativeAds.handleClickAmsg(null); rerive.zazo.nativeAds.handleClickAmsg('{'); "
            "rerive.zazo.nativeAds.handleClickAmsg({ad: 5})",
            "");
    EXPECT_TRUE(got.empty());
}

TEST_F(WebNativeSupportPage, TheCorePagePassesTheNativeKeysOnToTheAdRequest) {
    open(tikoleap::adserver::CorePage::html("{}"));
    const auto got =
        run("ZAZO_getAd({slotname: 'tikoleap-native-template', request_id: 4, native_templates: '3',"
            " native_version: 3, native_custom_templates: '10063,7'})",
            "loadAdURL");
    ASSERT_EQ(got.size(), 1u);
    const std::string url = got[0].params.at("url");
    EXPECT_NE(url.find("&native_templates=3&native_version=3&native_custom_templates=10063%2C7"),
              std::string::npos)
        << url;
}
