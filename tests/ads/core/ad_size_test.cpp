#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ads/core/DZAdSize.h"
#include "ads/core/DZAdType.h"

namespace {

const DZAdSizeScreen kPhone{platform::Rect(0, 0, 320, 568), 375};

struct SizeCase {
    const char* name;
    DZAdSize size;
    platform::Size occupies;  // on kPhone
    bool valid;
    std::string text;
};

TEST(DZAdSize, EveryKindOccupiesValidatesAndPrints) {
    const std::vector<SizeCase> cases = {
        {"banner", kDZAdSizeBanner, {320, 50}, true, "kDZAdSizeBanner"},
        {"skyscraper", kDZAdSizeSkyscraper, {120, 600}, true, "kDZAdSizeSkyscraper"},
        {"smart portrait", kDZAdSizeSmartBannerPortrait, {320, 50}, true, "kDZAdSizeSmartBannerPortrait"},
        {"smart landscape", kDZAdSizeSmartBannerLandscape, {568, 32}, true, "kDZAdSizeSmartBannerLandscape"},
        {"skinny portrait",
         kDZAdSizeSmartBannerSkinnyPortrait,
         {320, 50},
         true,
         "kDZAdSizeSmartBannerSkinnyPortrait"},
        {"fluid", kDZAdSizeFluid, {375, 1}, true, "kDZAdSizeFluid"},
        {"fluid sized", DZAdSizeFluidWithSize(200, 70), {200, 70}, true, "Fluid DZAdSize: {200, 70}"},
        {"invalid", kDZAdSizeInvalid, {0, 0}, false, "kDZAdSizeInvalid"},
        {"smart without full width", {{0, 0}, 16}, {0, 0}, false, "DZAdSize: {0, 0}, 10"},
        {"non-standard", {{300, 50}, 0}, {0, 0}, false, "DZAdSize: {300, 50}, 0"},
        {"custom", {{300, 50}, 1}, {300, 50}, true, "Custom DZAdSize: {300, 50}"},
        {"custom too wide", {{569, 50}, 1}, {569, 50}, false, "Custom DZAdSize: {569, 50}"},
        {"custom full width", {{0, 40}, 3}, {320, 40}, true, "Full width DZAdSize with height: 40.000000"},
        {"full width alone", {{0, 40}, 2}, {0, 0}, false, "Full width DZAdSize with height: 40.000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CGSizeFromDZAdSize(c.size, kPhone), c.occupies);
        platform::ErrorRef error;
        EXPECT_EQ(DZAdSizeIsValid(c.size, kPhone, &error), c.valid);
        EXPECT_EQ(static_cast<bool>(error), !c.valid);
        if (error) {
            EXPECT_EQ(error->code(), 3);
        }
        EXPECT_EQ(NSStringFromDZAdSize(c.size), c.text);
    }
}

TEST(DZAdSize, FromSizesStringsAndBoxes) {
    EXPECT_TRUE(DZAdSizesAreEqual(DZAdSizeFromCGSize({320, 50}), kDZAdSizeBanner));
    EXPECT_TRUE(DZAdSizesAreEqual(DZAdSizeFromCGSize({320, 51}), DZAdSize{{320, 51}, 1}));
    EXPECT_TRUE(DZAdSizesAreEqual(DZAdSizeFromCGSize({-1, -1}), kDZAdSizeInvalid));
    EXPECT_TRUE(DZAdSizesAreEqual(DZAdSizeFromCGSize({0, 0}), DZAdSize{{0, 0}, 1}));

    const std::vector<std::pair<std::string, platform::Size>> strings = {
        {"320x50", {320, 50}}, {" 300.5 x 250 ", {300.5f, 250}},
        {"-1x-1", {-1, -1}},   {"x", {}},
        {"320", {}},           {"320x50x2", {}},
        {"1e40x5", {}},        {"nanx5", {}},
        {"5xinf", {}},         {"1e400x5", {}},
        {"320 50", {}},        {"0x10x", {}},
        {"12ax5", {}},         {"", {}},
    };
    for (const auto& [text, size] : strings) EXPECT_EQ(DZCGSizeFromAdSizeString(text), size) << text;
    EXPECT_EQ(DZCGSizeFromAdSizeString(std::nullopt), platform::Size{});

    const DZAdSize custom{{10, 20}, 1};
    EXPECT_TRUE(DZAdSizesAreEqual(DZAdSizeFromValue(DZNSValueFromAdSize(custom)), custom));
    EXPECT_TRUE(DZAdSizesAreEqual(DZAdSizeFromValue(DZAdSizeValue{"{CGSize=ff}", custom}), kDZAdSizeInvalid));
    EXPECT_TRUE(DZAdSizesAreEqual(DZAdSizeFromValue(std::nullopt), kDZAdSizeInvalid));
}

TEST(DZAdType, InterstitialsAreOneTypeBannersDifferBySize) {
    const auto a = DZAdType::interstitialAdType();
    const auto b = DZAdType::initForInterstitial();
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.hash(), 1u);
    EXPECT_TRUE(a.isValid());
    EXPECT_FALSE(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner) ==
                 DZAdType::bannerAdTypeForSize(kDZAdSizeLargeBanner));
    EXPECT_TRUE(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner) ==
                DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
    EXPECT_EQ(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner).description(),
              "DZAdType banner with size: kDZAdSizeBanner");
}

}  // namespace
