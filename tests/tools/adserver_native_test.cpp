// The local ad server's native ads: each unit's answer and its keys, the pictures (each decodes as
// the format it claims, anything else is 404), the support page, and how the log names them.
#include <gtest/gtest.h>
#include <httplib.h>

#include <map>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/image/ImageDecoder.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/NativeAds.h"

using platform::ImageDecoder;
using tikoleap::adserver::AdServer;
using tikoleap::adserver::NativeAds;

namespace {

class AdServerNative : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.start(0, ""));
        http = std::make_unique<httplib::Client>("127.0.0.1", server.port());
        http->set_read_timeout(10, 0);
    }
    // The unit's answer as JSON (null when none), checking its status and headers.
    nlohmann::json ad(const std::string& name) {
        auto res = http->Get("/zads/ad?slotname=tikoleap-native-" + name);
        EXPECT_TRUE(res) << name;
        if (!res) return nullptr;
        EXPECT_EQ(res->status, 200) << name;
        EXPECT_EQ(res->get_header_value("Content-Type"), "application/json") << name;
        EXPECT_EQ(res->get_header_value("x-zazo-ad-format"), "native") << name;
        const auto answer = nlohmann::json::parse(res->body, nullptr, false);
        EXPECT_TRUE(answer.is_object() && answer.contains("ads") && answer["ads"].size() == 1) << name;
        return answer.is_object() ? answer["ads"][0] : nlohmann::json();
    }
    AdServer server;
    std::unique_ptr<httplib::Client> http;
};

}  // namespace

TEST_F(AdServerNative, EachUnitAnswersItsAdWithItsOwnPings) {
    const auto appInstall = ad("appinstall");
    EXPECT_EQ(appInstall["type"], "native");
    EXPECT_EQ(appInstall["template_id"], 2);
    EXPECT_EQ(appInstall["headline"], "Tiko Leap Deluxe");
    for (const char* key : {"call_to_action", "body", "store", "price"})
        EXPECT_TRUE(appInstall[key].is_string()) << key;
    EXPECT_TRUE(appInstall["rating"].is_number());
    EXPECT_EQ(appInstall["images"].size(), 2u);
    EXPECT_EQ(appInstall["app_icon"]["url"], "/native/img/icon.png");
    EXPECT_EQ(appInstall["attribution"]["text"], "Ad");

    const auto content = ad("content");
    EXPECT_EQ(content["template_id"], 1);
    EXPECT_EQ(content["images"][0]["url"], "/native/img/content.jpg");
    EXPECT_EQ(content["secondary_image"]["url"], "/native/img/logo.png");
    for (const char* key : {"headline", "body", "call_to_action", "advertiser"})
        EXPECT_TRUE(content[key].is_string()) << key;

    const auto custom = ad("template");
    EXPECT_EQ(custom["template_id"], 3);
    EXPECT_EQ(custom["custom_template_id"], 10063);
    std::map<std::string, nlohmann::json> assets;
    for (const auto& asset : custom["custom_assets"]) assets[asset["name"]] = asset;
    EXPECT_EQ(assets["Headline"]["type"], "string");
    EXPECT_EQ(assets["body"]["type"], "string");
    EXPECT_EQ(assets["poster"]["image_value"]["require"], true);

    // Every ad (the hostile ones too) pings and leads to this server, numbered apart.
    std::set<std::string> numbers;
    const std::string base = server.baseURL();
    for (const std::string name : {"appinstall", "content", "template", "hostile", "hostile-template"}) {
        const auto tracking = ad(name)["tracking_urls_and_actions"];
        const std::string unit = "tikoleap-native-" + name;
        const std::string impression = tracking["impression_tracking_urls"][0];
        const std::string query = impression.substr(impression.find('?') + 1);
        EXPECT_EQ(impression, base + "adpage/imp?" + query) << name;
        EXPECT_EQ(query.rfind("slot=" + unit + "&ad=", 0), 0u) << name;
        EXPECT_EQ(tracking["rerive_click_tracking_url"], base + "adpage/click?" + query) << name;
        EXPECT_EQ(tracking["click_actions"][0]["url"], base + "landing?" + query) << name;
        numbers.insert(query);
    }
    EXPECT_EQ(numbers.size(), 5u);

    auto unknown = http->Get("/zads/ad?slotname=tikoleap-native-nosuch");
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->status, 204);
    EXPECT_TRUE(unknown->body.empty());
}

TEST_F(AdServerNative, TheHostileUnitsCarryTheBadValues) {
    const auto hostile = ad("hostile");
    EXPECT_EQ(hostile["headline"], 5);
    EXPECT_TRUE(hostile["rating"].is_string());
    EXPECT_GT(hostile["images"].size(), 64u);
    EXPECT_EQ(hostile["images"][0]["url"], "file:///etc/passwd");
    EXPECT_GT(hostile["attribution"]["images"].size(), 64u);
    EXPECT_GT(hostile["attribution"]["text_size"].get<double>(), 64);
    EXPECT_GT(hostile["attribution"]["animation_ms"].get<double>(), 3600e3);

    const auto custom = ad("hostile-template");
    EXPECT_GT(custom["custom_assets"].size(), 64u);
    std::set<std::string> schemes;
    for (const auto& asset : custom["custom_assets"]) {
        if (asset.is_object() && asset.contains("image_value")) {
            const std::string url = asset["image_value"]["url"];
            schemes.insert(url.substr(0, url.find(':')));
        }
    }
    EXPECT_TRUE(schemes.count("file") && schemes.count("javascript")) << nlohmann::json(schemes);
}

TEST_F(AdServerNative, PicturesDecodeAsTheirFormatAndAnythingElseIsMissing) {
    for (const auto& name : NativeAds::pictureNames()) {
        auto res = http->Get(std::string(NativeAds::kPicturePrefix) + name);
        ASSERT_TRUE(res) << name;
        ASSERT_EQ(res->status, 200) << name;
        const bool jpeg = name.ends_with(".jpg");
        EXPECT_EQ(res->get_header_value("Content-Type"), jpeg ? "image/jpeg" : "image/png") << name;
        const auto bytes = reinterpret_cast<const std::uint8_t*>(res->body.data());
        EXPECT_EQ(ImageDecoder::formatOf(bytes, res->body.size()),
                  jpeg ? ImageDecoder::Format::JPEG : ImageDecoder::Format::PNG)
            << name;
        std::string error;
        const auto image = ImageDecoder::decode(res->body, &error);
        ASSERT_TRUE(image) << name << ": " << error;
        EXPECT_GE(image->width, 15) << name;
    }
    for (const char* path :
         {"/native/img/nosuch.png", "/native/img/", "/native/img/icon.png/x", "/native/img/content.JPG"}) {
        auto res = http->Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
    }
    auto escape = http->Get("/native/img/..%2F..%2Fnative%2Ficon.png");
    ASSERT_TRUE(escape);
    EXPECT_NE(escape->status, 200);
    auto page = http->Get(NativeAds::kSupportPagePath);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html");
    EXPECT_NE(page->body.find("preProcessJsonAmsg"), std::string::npos);
    std::set<std::string> native;
    for (const auto& hit : server.log())
        if (hit["kind"] == "native") native.insert(hit["path"].get<std::string>());
    EXPECT_TRUE(native.count(NativeAds::kSupportPagePath));
    EXPECT_TRUE(native.count("/native/img/icon.png"));
    EXPECT_TRUE(native.count("/native/img/content.jpg"));
}
