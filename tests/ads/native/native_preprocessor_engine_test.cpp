// The support page of the local ad server pre-processing a native answer on the real engine: the
// round trip ends in the answer with its pictures made absolute on the page's origin.
#include <gtest/gtest.h>

#include "ads/formats/native/DZAdPreprocessor.h"
#include "ads/formats/native/DZNativeAd.h"
#include "ads/foundation/AdsTestHome.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/web/WebViews.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/NativeAds.h"

using tikoleap::adserver::NativeAds;

TEST(NativePreprocessorEngine, OurSupportPageAnswersWithAbsolutePictures) {
    if (!platform::web::WebViews::displayNamed()) GTEST_SKIP() << "no display";
    tikoleap::test::AdsTestHome home;
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    platform::UserDefaults::standard()->setString(DZNativeAd::kSupportURLDefaultsKey,
                                                  server.baseURL() + (NativeAds::kSupportPagePath + 1));
    const auto text =
        NativeAds::answerText("appinstall", server.baseURL(), "tikoleap-native-appinstall", "1");
    ASSERT_TRUE(text);

    auto preprocessor = DZAdPreprocessor::create("tikoleap-native-appinstall");
    ASSERT_TRUE(preprocessor);
    bool done = false;
    std::optional<nlohmann::json> answer;
    platform::ErrorRef error;
    preprocessor->preprocessNativeAdJSON(*text, [&](std::optional<nlohmann::json> got,
                                                    std::shared_ptr<DZSlot> slot, platform::ErrorRef failed) {
        done = true;
        answer = std::move(got);
        error = std::move(failed);
        EXPECT_EQ(slot != nullptr, error == nullptr);
    });
    for (int i = 0; i < 3000 && !done; ++i) {
        platform::MainContextPump::waitUntil([] { return false; }, 0.01);
        home.loop().runUntilIdle();
    }
    ASSERT_TRUE(done);
    ASSERT_FALSE(error) << error->localizedDescription();
    ASSERT_TRUE(answer);
    const auto& ad = (*answer)["ads"][0];
    EXPECT_EQ(ad["headline"], "Tiko Leap Deluxe");
    EXPECT_EQ(ad["app_icon"]["url"], server.baseURL() + "native/img/icon.png");
    EXPECT_EQ(ad["images"][1]["url"], server.baseURL() + "native/img/image2.png");
    preprocessor.reset();
    home.loop().runUntilIdle();
}
