// The native ad models as the server's dictionaries make them: what they need, what a hostile
// dictionary gets, the asset bookkeeping and the memory its pictures take, the click payload, the
// custom template's clicks and the template ids a loader asks for.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

#include "ads/core/DZAdServer.h"
#include "ads/formats/native/DZAdLoader.h"
#include "ads/formats/native/DZAdLoaderConfiguration.h"
#include "ads/formats/native/DZNativeAdAttribution.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/formats/native/DZNativeAdImageAdLoaderOptions.h"
#include "ads/formats/native/DZNativeAppInstallAd.h"
#include "ads/formats/native/DZNativeContentAd.h"
#include "ads/formats/native/DZNativeCustomTemplateAd.h"
#include "ads/foundation/DZLogger.h"
#include "ads/native/NativeTestBed.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/image/DecodeAllowance.h"
#include "support/GifFiles.h"
#include "support/PeakMemory.h"

using tikoleap::test::NativeTestBed;
using tikoleap::test::peakResidentBytes;
using tikoleap::test::resetPeakResidentBytes;

namespace {

nlohmann::json appInstall(const std::string& base) {
    return {{"type", "native"},
            {"template_id", 2},
            {"headline", "Tiko Leap Deluxe"},
            {"call_to_action", "Install"},
            {"body", "Leap higher"},
            {"rating", 4.5},
            {"app_icon", {{"url", base + "/img/icon.png"}}},
            {"images", {{{"url", base + "/img/a.png"}}, {{"url", base + "/img/b.png"}}}},
            {"attribution", {{"text", "Ad"}}},
            {"tracking_urls_and_actions", {{"impression_tracking_urls", {base + "/imp"}}}}};
}

// A model that counts the passes that start its loads: each waits for the asset named "x", which
// is optional unless told.
struct CountingAd : DZNativeAd {
    explicit CountingAd(bool xRequired = false)
        : DZNativeAd(nlohmann::json::object()), xRequired(xRequired) {}
    DZNativeAdClass adClass() const override { return DZNativeAdClass::kContent; }
    std::set<std::string> requiredAssets() const override {
        return xRequired ? std::set<std::string>{"x"} : std::set<std::string>{};
    }
    void adLoaderDidReceiveAd(DZAdLoader&) override {}
    void loadAssets(AssetCompletion completion) override {
        addAssetCompletion(std::move(completion));
        if (!shouldLoadAssets()) return;
        ++passes;
        addAssetWithNameToRequestedAssets("x");
    }
    void finish() { finishedLoadingAssetWithName("x"); }
    int passes = 0;
    bool xRequired = false;
};

// About 60 KiB on the wire, 64 MiB once decoded.
std::string hugePicture() {
    static const std::string bytes = [] {
        const int side = DZNativeAdImage::kMaxSide;
        std::vector<std::uint8_t> rgba(std::size_t{4} * side * side, 90);
        const auto png = platform::PngCodec::encode(rgba.data(), side, side);
        return std::string(png.begin(), png.end());
    }();
    return bytes;
}

// An app that shows the template ids it is given.
struct TemplateApp : DZNativeCustomTemplateAdLoaderDelegate {
    void adLoaderDidFailToReceiveAd(DZAdLoader&, const DZRequestError::Ref&) override {}
    std::vector<nlohmann::json> nativeCustomTemplateIDsForAdLoader(DZAdLoader&) override { return ids; }
    void adLoaderDidReceiveNativeCustomTemplateAd(DZAdLoader&,
                                                  const std::shared_ptr<DZNativeCustomTemplateAd>&) override {
    }
    std::vector<nlohmann::json> ids;
};

// What a stand-in decoder hands back once the allowance let a picture through.
platform::Image smallPicture() {
    platform::Image image;
    image.width = image.height = 4;
    image.content = platform::Image::Content::RGB;
    image.pixels.assign(64, 200);
    return image;
}

}  // namespace

TEST(NativeLoader, ConfigurationRefusesUnknownTypesAndKeepsTheFirstOptionOfEachKind) {
    EXPECT_FALSE(DZNativeAdLoaderConfiguration::make({"1", "9"}, {}));
    EXPECT_FALSE(DZNativeAdLoaderConfiguration::make({}, {}));
    auto first = std::make_shared<DZNativeAdImageAdLoaderOptions>();
    first->preferredImageOrientation = 2;
    auto second = std::make_shared<DZNativeAdImageAdLoaderOptions>();
    auto configuration = DZNativeAdLoaderConfiguration::make({"1", "2"}, {first, nullptr, second});
    ASSERT_TRUE(configuration);
    ASSERT_EQ(configuration->options().size(), 1u);
    EXPECT_EQ(configuration->options().begin()->second->requestParameters(),
              nlohmann::json({{"native_image_orientation", "landscape"}}));
    EXPECT_EQ(DZNativeAdImageAdLoaderOptions().requestParameters(), std::nullopt);
}

TEST(NativeModels, AppInstallNeedsItsFieldsAndReadsHostileValuesAsMissing) {
    NativeTestBed bed;
    const auto good = appInstall("http://127.0.0.1:9");
    auto ad = DZNativeAppInstallAd::create(good, {});
    ASSERT_TRUE(ad);
    EXPECT_EQ(ad->starRating(), 4.5);
    // Only the first picture without the option for several.
    EXPECT_EQ(ad->requiredAssets(),
              (std::set<std::string>{"headline", "callToAction", "icon", "attribution"}));

    auto hostile = good;
    hostile["headline"] = 5;
    EXPECT_FALSE(DZNativeAppInstallAd::create(hostile, {}));
    hostile = good;
    hostile["app_icon"]["url"] = "file:///etc/passwd";
    EXPECT_FALSE(DZNativeAppInstallAd::create(hostile, {}));
    hostile = good;
    hostile["rating"] = "nan";
    EXPECT_EQ(DZNativeAppInstallAd::create(hostile, {})->starRating(), 0);

    auto content = good;
    content.erase("app_icon");
    content["template_id"] = 1;
    auto contentAd = DZNativeContentAd::create(content, {});
    ASSERT_TRUE(contentAd);
    EXPECT_EQ(contentAd->logo(), nullptr);
    content.erase("body");
    EXPECT_FALSE(DZNativeContentAd::create(content, {}));
}

TEST(NativeModels, TextsThatDisguiseThemselvesOrBreakALineAreLeftOutAndHonestCopyIsKept) {
    NativeTestBed bed;
    const auto good = appInstall("http://127.0.0.1:9");
    auto hostile = good;
    hostile["headline"] = "Tiko Leap \u202egpj.exe";
    EXPECT_FALSE(DZNativeAppInstallAd::create(hostile, {}));  // a text the ad needs
    hostile["headline"] = "Tiko Leap\nTap here to claim a prize";
    EXPECT_FALSE(DZNativeAppInstallAd::create(hostile, {}));
    hostile["headline"] = "Tiko Leap\rTap here to claim a prize";
    EXPECT_FALSE(DZNativeAppInstallAd::create(hostile, {}));
    hostile = good;
    hostile["body"] = "Leap higher\u2067Tap here to claim a prize";
    hostile["price"] = "Free\u2066";
    hostile["store"] = "Store\x7f";
    hostile["attribution"]["text"] = "Ad\u2029";
    auto ad = DZNativeAppInstallAd::create(hostile, {});
    ASSERT_TRUE(ad);
    EXPECT_EQ(ad->headline(), "Tiko Leap Deluxe");
    EXPECT_EQ(ad->body(), std::nullopt);
    EXPECT_EQ(ad->price(), std::nullopt);
    EXPECT_EQ(ad->store(), std::nullopt);
    ASSERT_TRUE(ad->attribution());
    EXPECT_EQ(ad->attribution()->text(), std::nullopt);
    hostile = good;
    hostile["body"] = "Leap higher\rTap here\x1b[2J";
    EXPECT_EQ(DZNativeAppInstallAd::create(hostile, {})->body(), std::nullopt);

    // Ordinary copy: a body over several lines with a tab and CRLF line ends, a tab in a text of
    // one line, and right-to-left text with its marks.
    auto honest = good;
    const std::string arabic = "\u0642\u0641\u0632 \u200f100%\u200f \u061c\u0623\u0639\u0644\u0649";
    honest["headline"] = arabic;
    honest["body"] = "Leap higher.\r\nCollect stars:\t3 worlds\u2028100 levels\r\n";
    honest["price"] = "\u200e$1.99";
    honest["store"] = "Store\tFree";
    ad = DZNativeAppInstallAd::create(honest, {});
    ASSERT_TRUE(ad);
    EXPECT_EQ(ad->headline(), arabic);
    EXPECT_EQ(ad->body(), honest["body"].get<std::string>());
    EXPECT_EQ(ad->price(), "\u200e$1.99");
    EXPECT_EQ(ad->store(), "Store\tFree");

    auto content = honest;
    content["template_id"] = 1;
    content["advertiser"] = "Tiko\u202dInc";
    content["call_to_action"] = "Read\u2028more";
    auto contentAd = DZNativeContentAd::create(content, {});
    ASSERT_TRUE(contentAd);
    EXPECT_EQ(contentAd->advertiser(), std::nullopt);
    EXPECT_EQ(contentAd->callToAction(), std::nullopt);
    EXPECT_EQ(contentAd->headline(), arabic);
    EXPECT_EQ(contentAd->body(), honest["body"].get<std::string>());

    auto custom = DZNativeCustomTemplateAd::create(
        {{"custom_template_id", 1},
         {"custom_assets",
          {{{"name", "title"}, {"type", "string"}, {"string_value", "Win\u202e"}},
           {{"name", "note"}, {"type", "string"}, {"string_value", "plain\nsecond line"}}}}},
        {});
    ASSERT_TRUE(custom);
    EXPECT_EQ(custom->stringForKey("title"), std::nullopt);
    EXPECT_EQ(custom->stringForKey("note"), "plain\nsecond line");
}

TEST(NativeModels, PicturesTakeOnlyWebURLsAndAtMost64) {
    auto many = nlohmann::json::array();
    for (int i = 0; i < 100; ++i) many.push_back({{"url", "http://127.0.0.1/" + std::to_string(i)}});
    many[0] = {{"url", "javascript:alert(1)"}};
    DZNativeAdImageAdLoaderOptions multiple;
    multiple.shouldRequestMultipleImages = true;
    EXPECT_EQ(DZNativeAdImage::imagesFromConfigurationArray(many, &multiple).size(), 63u);
    EXPECT_EQ(DZNativeAdImage::imagesFromConfigurationArray(many, nullptr).size(), 0u);
    auto image = DZNativeAdImage::fromDictionary({{"url", "https://127.0.0.1/x.png"}});
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->required());
    EXPECT_EQ(image->scale(), 1.f);
    // Nor does the support page run from anything but the web.
    NativeTestBed bed;
    EXPECT_EQ(DZNativeAd::supportHTMLURL(), bed.server().url("/support.html"));
    for (const char* stored : {"file:///etc/passwd", "javascript:alert(1)", "/zads/native.html"}) {
        platform::UserDefaults::standard()->setString(DZNativeAd::kSupportURLDefaultsKey, stored);
        EXPECT_EQ(DZNativeAd::supportHTMLURL(), DZAdServerURL(DZNativeAd::kSupportPagePath)) << stored;
    }
}

TEST(NativeModels, AttributionKeepsItsValuesInRange) {
    auto empty = DZNativeAdAttribution::fromDictionary(nullptr);
    EXPECT_FALSE(empty->hasContent());
    EXPECT_EQ(empty->iconPresentationDuration(), 4.0);
    auto attribution =
        DZNativeAdAttribution::fromDictionary({{"text", 7},
                                               {"animation_ms", 40},
                                               {"presentation_ms", 1e12},
                                               {"text_size", 1e9},
                                               {"text_color", {{"r", 1e6}, {"g", -5}, {"b", 0}}},
                                               {"bg_color", {{"r", 0}, {"g", 0}}}});
    EXPECT_FALSE(attribution->text());
    EXPECT_EQ(attribution->iconAnimationDuration(), 1.0);
    EXPECT_EQ(attribution->iconPresentationDuration(), 3600);
    EXPECT_EQ(attribution->font().size, 64);
    EXPECT_EQ(attribution->textColor(), (platform::ui::Color{1, 0, 0, 1}));
    EXPECT_EQ(attribution->backgroundColor(), DZNativeAdAttribution::kDefaultBackgroundColor);
    EXPECT_EQ(DZNativeAdAttribution::fromDictionary({{"animation_ms", 50}})->iconAnimationDuration(), 0.05);
}

TEST(NativeBase, AssetsCompleteOnceAndImagesKeepTheirOrder) {
    NativeTestBed bed;
    // No picture to load (images off, no attribution icon): done at once, images in order.
    auto options = std::make_shared<DZNativeAdImageAdLoaderOptions>();
    options->disableImageLoading = true;
    options->shouldRequestMultipleImages = true;
    auto ad = DZNativeAppInstallAd::create(appInstall(bed.server().url()),
                                           {{DZNativeAdImageAdLoaderOptions::kClassName, options}});
    int calls = 0;
    ad->loadAssets([&](platform::ErrorRef error) { calls += error ? 100 : 1; });
    ad->loadAssets([&](platform::ErrorRef error) { calls += error ? 100 : 1; });
    ASSERT_TRUE(bed.until([&] { return calls == 2; }));
    ASSERT_EQ(ad->images().size(), 2u);
    EXPECT_EQ(ad->images()[1]->imageURL(), bed.server().url("/img/b.png"));
    EXPECT_EQ(bed.server().hits().size(), 0u);

    // The icon 404s and the attribution's icon is truncated: both required, one failure reported.
    auto failing = appInstall(bed.server().url());
    failing["app_icon"]["url"] = bed.server().url("/missing.png");
    failing["attribution"]["image"] = {{"url", bed.server().url("/img/truncated.png")}};
    auto bad = DZNativeAppInstallAd::create(failing, {});
    std::vector<std::string> errors;
    bad->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    ASSERT_TRUE(bed.until([&] { return !errors.empty(); }));
    bed.runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(errors, (std::vector<std::string>{"Failed to load a required asset."}));
    // A call after the failure hears of it too, once.
    bad->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    bed.runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(errors, (std::vector<std::string>(2, "Failed to load a required asset.")));

    // Every picture loads: the configured images come in configuration order.
    bed.server().clearHits();
    auto good = appInstall(bed.server().url());
    good["images"] = {{{"url", bed.server().url("/img/slow.png")}},
                      {{"url", bed.server().url("/img/a.png")}}};
    DZNativeAdImageAdLoaderOptions several;
    several.shouldRequestMultipleImages = true;
    auto loaded =
        DZNativeAppInstallAd::create(good, {{DZNativeAdImageAdLoaderOptions::kClassName,
                                             std::make_shared<DZNativeAdImageAdLoaderOptions>(several)}});
    int done = 0;
    loaded->loadAssets([&](platform::ErrorRef error) { done += error ? 100 : 1; });
    loaded->loadAssets([&](platform::ErrorRef error) { done += error ? 100 : 1; });  // downloads nothing more
    ASSERT_TRUE(bed.until([&] { return done == 2; }));
    EXPECT_EQ(bed.hitsOf("/img/a.png"), 1);
    ASSERT_EQ(loaded->images().size(), 2u);
    EXPECT_EQ(loaded->images()[0]->imageURL(), bed.server().url("/img/slow.png"));
    EXPECT_TRUE(loaded->icon()->image());
}

TEST(NativeBase, QuickCallsStartTheLoadsOnceAndAreAllAnswered) {
    NativeTestBed bed;
    auto ad = std::make_shared<CountingAd>();
    int answered = 0;
    ad->loadAssets([&](platform::ErrorRef error) { answered += error ? 100 : 1; });
    ad->loadAssets([&](platform::ErrorRef error) { answered += error ? 100 : 1; });
    bed.runFor(std::chrono::milliseconds(20));
    ad->loadAssets([&](platform::ErrorRef error) { answered += error ? 100 : 1; });
    EXPECT_EQ(ad->passes, 1);
    bed.runFor(std::chrono::milliseconds(20));
    EXPECT_EQ(answered, 0);
    ad->finish();
    ASSERT_TRUE(bed.until([&] { return answered == 3; }));

    // A required asset that never arrives fails the loading at its time-out, once.
    auto stuck = std::make_shared<CountingAd>(true);
    std::vector<std::string> errors;
    stuck->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    bed.advance(DZNativeAd::kAssetsTimeoutSeconds + 1);
    ASSERT_TRUE(bed.until([&] { return !errors.empty(); }));
    stuck->finish();
    stuck->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    bed.runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(errors, (std::vector<std::string>(2, "The assets did not arrive in time.")));

    // An optional one still on its way then counts as failed: the ad loads without it, once.
    auto late = std::make_shared<CountingAd>();
    errors.clear();
    late->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    bed.advance(DZNativeAd::kAssetsTimeoutSeconds - 1);
    bed.runFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(errors.empty());
    bed.advance(2);
    ASSERT_TRUE(bed.until([&] { return !errors.empty(); }));
    late->finish();
    bed.runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(errors, (std::vector<std::string>{""}));
}

TEST(NativeBase, PicturesOfEachFormatTheServerSendsDecodeUpright) {
    NativeTestBed bed;
    auto dictionary = appInstall(bed.server().url());
    dictionary["app_icon"]["url"] = bed.server().url("/img/pixel.gif");
    dictionary["images"] = {{{"url", bed.server().url("/img/photo.jpg")}},
                            {{"url", bed.server().url("/img/turned.jpg")}}};
    dictionary.erase("attribution");
    DZNativeAdImageAdLoaderOptions several;
    several.shouldRequestMultipleImages = true;
    auto ad = DZNativeAppInstallAd::create(dictionary,
                                           {{DZNativeAdImageAdLoaderOptions::kClassName,
                                             std::make_shared<DZNativeAdImageAdLoaderOptions>(several)}});
    std::vector<std::string> errors;
    ad->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    ASSERT_TRUE(bed.until([&] { return !errors.empty(); }));
    EXPECT_EQ(errors, (std::vector<std::string>{""}));
    ASSERT_TRUE(ad->icon()->image());
    EXPECT_EQ(ad->icon()->image()->width, 1);
    ASSERT_EQ(ad->images().size(), 2u);
    EXPECT_EQ(ad->images()[0]->image()->width, 8);
    EXPECT_EQ(ad->images()[0]->image()->height, 6);
    // As its EXIF says: a quarter turn.
    EXPECT_EQ(ad->images()[1]->image()->width, 6);
    EXPECT_EQ(ad->images()[1]->image()->height, 8);
}

TEST(NativeBase, SmallFilesThatDecodeHugeKeepTheProcessWithinTheBitmapBudget) {
    NativeTestBed bed;
    const std::string bomb = hugePicture();
    bed.server().reply("/img/bomb.png", 200, bomb, {{"Content-Type", "image/png"}});
    auto dictionary = appInstall(bed.server().url());
    dictionary["template_id"] = 1;  // a content ad: no picture is required
    dictionary.erase("app_icon");
    auto plain = DZNativeContentAd::create(dictionary, {});
    std::vector<std::string> errors;
    plain->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    ASSERT_TRUE(bed.until([&] { return !errors.empty(); }));
    plain.reset();

    dictionary["images"] = nlohmann::json::array();
    for (int i = 0; i < 10; ++i)
        dictionary["images"].push_back({{"url", bed.server().url("/img/bomb.png?n=" + std::to_string(i))}});
    DZNativeAdImageAdLoaderOptions several;
    several.shouldRequestMultipleImages = true;
    auto ad =
        DZNativeContentAd::create(dictionary, {{DZNativeAdImageAdLoaderOptions::kClassName,
                                                std::make_shared<DZNativeAdImageAdLoaderOptions>(several)}});
    errors.clear();
    const std::size_t before = resetPeakResidentBytes();
    ad->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    ASSERT_TRUE(bed.until([&] { return !errors.empty(); }));
    const std::size_t peak = peakResidentBytes();
    // The pictures are no required asset: the ad loads with the one whose bitmap and decoding fit.
    EXPECT_EQ(errors, (std::vector<std::string>{""}));
    EXPECT_EQ(ad->images().size(), 1u);
    if (tikoleap::test::kPeakMemoryMeasured) {
        EXPECT_LE(peak - before, DZNativeAdImage::kMaxDecodedBytes + (std::size_t{32} << 20));
    }
    EXPECT_LE(DZNativeAdImage::decodedBytes(), DZNativeAdImage::kMaxDecodedBytes);
    ad.reset();
    EXPECT_EQ(DZNativeAdImage::decodedBytes(), 0u);
}

TEST(NativeBase, AnAdsPicturesShareOneDecodeAllowance) {
    // Each picture here costs two fifths of what an ad's pictures may take: the required icon and
    // one of five optional images load, the others are refused, with one line for the ad; the ad
    // loads without them. A required picture past the allowance fails its ad.
    NativeTestBed bed;
    std::atomic<int> withoutAllowance = 0;
    std::atomic<std::uint64_t> share = DZNativeAd::kMaxDecodeWork / 5 * 2;
    DZNativeAdImage::setDecoder([&](const std::string&, const DZNativeAdImage::Admission&,
                                    platform::DecodeAllowance* allowance, std::string* error) {
        if (!allowance) ++withoutAllowance;
        if (allowance && !allowance->take(share)) {
            *error = "past the allowance";
            return std::optional<platform::Image>();
        }
        return std::optional<platform::Image>(smallPicture());
    });
    auto dictionary = appInstall(bed.server().url());
    dictionary["images"] = nlohmann::json::array();
    for (int i = 0; i < 5; ++i)
        dictionary["images"].push_back({{"url", bed.server().url("/img/a.png?n=" + std::to_string(i))}});
    DZNativeAdImageAdLoaderOptions several;
    several.shouldRequestMultipleImages = true;
    const DZAdLoaderOptionsByClass options{{DZNativeAdImageAdLoaderOptions::kClassName,
                                            std::make_shared<DZNativeAdImageAdLoaderOptions>(several)}};
    platform::ScopedLogSink sink;
    std::vector<std::string> errors;
    const auto load = [&](const std::shared_ptr<DZNativeAd>& ad) {
        errors.clear();
        ad->loadAssets(
            [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
        return bed.until([&] { return !errors.empty(); });
    };
    auto ad = DZNativeAppInstallAd::create(dictionary, options);
    ASSERT_TRUE(load(ad));
    EXPECT_EQ(errors, (std::vector<std::string>{""}));
    EXPECT_TRUE(ad->icon()->image());
    EXPECT_EQ(ad->images().size(), 1u);
    EXPECT_EQ(withoutAllowance, 0);
    DZLoggingQueue()->sync([] {});
    const auto refusals =
        std::count_if(sink.lines().begin(), sink.lines().end(), [](const std::string& line) {
            return line.find("decode work an ad may cause") != std::string::npos;
        });
    EXPECT_EQ(refusals, 1) << ::testing::PrintToString(sink.lines());

    share = DZNativeAd::kMaxDecodeWork + 1;
    ASSERT_TRUE(load(DZNativeAppInstallAd::create(dictionary, options)));
    EXPECT_EQ(errors, (std::vector<std::string>{"Failed to load a required asset."}));
    DZNativeAdImage::setDecoder(nullptr);
}

TEST(NativeBase, AdsLoadingAtOnceShareTheirDecodeWorkAndOrdinaryOnesAllLoad) {
    // Each picture here costs a third of what the ads loading at the same time may take together:
    // of two ads loading at once (an icon and an image each), three pictures load and the last
    // one is refused, with one line; once neither is loading, the next ad has the whole allowance
    // again.
    NativeTestBed bed;
    DZNativeAdImage::setDecoder([](const std::string&, const DZNativeAdImage::Admission&,
                                   platform::DecodeAllowance* allowance, std::string* error) {
        if (!allowance || !allowance->take(DZNativeAd::kMaxDecodeWorkAtOnce / 3)) {
            *error = "past the allowance";
            return std::optional<platform::Image>();
        }
        return std::optional<platform::Image>(smallPicture());
    });
    auto dictionary = appInstall(bed.server().url());
    dictionary.erase("attribution");
    platform::ScopedLogSink sink;
    using Ads = std::vector<std::shared_ptr<DZNativeAppInstallAd>>;
    // The pictures the ads loaded together.
    const auto loadAtOnce = [&](const Ads& ads) {
        std::size_t pending = ads.size();
        for (const auto& ad : ads)
            ad->loadAssets([&pending](platform::ErrorRef error) {
                EXPECT_FALSE(error);
                --pending;
            });
        EXPECT_TRUE(bed.until([&] { return pending == 0; }));
        std::size_t pictures = 0;
        for (const auto& ad : ads) pictures += (ad->icon()->image() ? 1 : 0) + ad->images().size();
        return pictures;
    };
    EXPECT_EQ(loadAtOnce({DZNativeAppInstallAd::create(dictionary, {}),
                          DZNativeAppInstallAd::create(dictionary, {})}),
              3u);
    EXPECT_EQ(loadAtOnce({DZNativeAppInstallAd::create(dictionary, {})}), 2u);
    DZLoggingQueue()->sync([] {});
    EXPECT_EQ(std::ranges::count_if(sink.lines(),
                                    [](const std::string& line) {
                                        return line.find("with those of the ads loading beside it") !=
                                               std::string::npos;
                                    }),
              1)
        << ::testing::PrintToString(sink.lines());

    // Ordinary ads of a few pictures, each of a few hundred kilobytes or less, loaded at once.
    DZNativeAdImage::setDecoder(nullptr);
    const std::string poster = testsupport::literalGif(480, 400);
    bed.server().reply("/img/poster.gif", 200, poster, {{"Content-Type", "image/gif"}});
    dictionary["images"] = {{{"url", bed.server().url("/img/poster.gif")}},
                            {{"url", bed.server().url("/img/photo.jpg")}},
                            {{"url", bed.server().url("/img/a.png")}}};
    DZNativeAdImageAdLoaderOptions several;
    several.shouldRequestMultipleImages = true;
    const DZAdLoaderOptionsByClass options{{DZNativeAdImageAdLoaderOptions::kClassName,
                                            std::make_shared<DZNativeAdImageAdLoaderOptions>(several)}};
    Ads ordinary;
    for (int i = 0; i < 3; ++i) ordinary.push_back(DZNativeAppInstallAd::create(dictionary, options));
    EXPECT_EQ(loadAtOnce(ordinary), 3u * 4);
    EXPECT_GT(poster.size(), std::size_t{200} << 10);
}

TEST(NativeTemplate, RequiredPicturesLoadBeforeTheOptionalOnes) {
    NativeTestBed bed;
    std::atomic<bool> posterServed = false;
    std::atomic<int> optionalEarly = 0;
    const std::string bomb = hugePicture();
    bed.server().get("/img/poster.png", [&](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::vector<std::uint8_t> rgba(16 * 16 * 4, 120);
        const auto png = platform::PngCodec::encode(rgba.data(), 16, 16);
        response.set_content(std::string(png.begin(), png.end()), "image/png");
        posterServed = true;
    });
    bed.server().get("/img/bomb.png", [&](const httplib::Request&, httplib::Response& response) {
        if (!posterServed) ++optionalEarly;
        response.set_content(bomb, "image/png");
    });
    nlohmann::json assets =
        nlohmann::json::array({{{"name", "poster"},
                                {"type", "image"},
                                {"image_value", {{"url", bed.server().url("/img/poster.png")}}}}});
    for (int i = 0; i < 3; ++i)
        assets.push_back(
            {{"name", "extra" + std::to_string(i)},
             {"type", "image"},
             {"image_value",
              {{"url", bed.server().url("/img/bomb.png?n=" + std::to_string(i))}, {"require", false}}}});
    auto ad =
        DZNativeCustomTemplateAd::create({{"custom_template_id", 10063}, {"custom_assets", assets}}, {});
    ASSERT_TRUE(ad);
    std::vector<std::string> errors;
    ad->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    ASSERT_TRUE(bed.until([&] { return !errors.empty(); }));
    EXPECT_EQ(bed.hitsOf("/img/bomb.png"), 3);
    EXPECT_EQ(optionalEarly, 0);
    // The optional pictures did not take the memory the required one needed.
    EXPECT_EQ(errors, (std::vector<std::string>{""}));
    EXPECT_TRUE(ad->imageForKey("poster"));
}

TEST(NativeBase, PicturesDownloadAFewAtATimeAndAllArrive) {
    NativeTestBed bed;
    std::vector<std::uint8_t> rgba(4 * 4 * 4, 30);
    const auto png = platform::PngCodec::encode(rgba.data(), 4, 4);
    bed.server().slow("/img/held.png", 0.4, 200, std::string(png.begin(), png.end()));
    const std::size_t limit = DZNativeAdImage::kMaxDownloadsAtOnce;
    auto dictionary = appInstall(bed.server().url());
    dictionary.erase("attribution");
    dictionary["images"] = nlohmann::json::array();
    for (std::size_t i = 0; i < 3 * limit; ++i)
        dictionary["images"].push_back({{"url", bed.server().url("/img/held.png?n=" + std::to_string(i))}});
    DZNativeAdImageAdLoaderOptions several;
    several.shouldRequestMultipleImages = true;
    const DZAdLoaderOptionsByClass options{{DZNativeAdImageAdLoaderOptions::kClassName,
                                            std::make_shared<DZNativeAdImageAdLoaderOptions>(several)}};
    // An ad let go while its pictures download gives their turns back.
    DZNativeAppInstallAd::create(dictionary, options)->loadAssets([](platform::ErrorRef) {});
    bed.runFor(std::chrono::milliseconds(50));
    bed.server().clearHits();

    auto ad = DZNativeAppInstallAd::create(dictionary, options);
    std::vector<std::string> errors;
    ad->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    bed.runFor(std::chrono::milliseconds(250));
    EXPECT_LE(bed.hitsOf("/img/held.png"), static_cast<int>(limit));
    ASSERT_TRUE(bed.until([&] { return !errors.empty(); }));
    EXPECT_EQ(errors, (std::vector<std::string>{""}));
    EXPECT_EQ(ad->images().size(), 3 * limit);
}

TEST(NativeBase, APictureRedirectedOnAndOnEndsAtItsTimeOut) {
    NativeTestBed bed;
    bed.server().get("/img/creep", [](const httplib::Request& request, httplib::Response& response) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const int hop = std::atoi(request.get_param_value("n").c_str());
        response.status = 302;
        response.set_header("Location", "/img/creep?n=" + std::to_string(hop + 1));
    });
    auto dictionary = appInstall(bed.server().url());
    dictionary.erase("attribution");
    dictionary["app_icon"]["url"] = bed.server().url("/img/creep?n=0");
    auto ad = DZNativeAppInstallAd::create(dictionary, {});
    std::vector<std::string> errors;
    ad->loadAssets(
        [&](platform::ErrorRef error) { errors.push_back(error ? error->localizedDescription() : ""); });
    bed.runFor(std::chrono::milliseconds(200));
    EXPECT_TRUE(errors.empty());
    bed.advance(DZNativeAdImage::kTimeoutSeconds + 1);
    bed.runFor(std::chrono::milliseconds(200));
    EXPECT_EQ(errors, (std::vector<std::string>{"Failed to load a required asset."}));
}

TEST(NativeBase, ImpressionPingsOnceAndTheClickPayloadIsExact) {
    NativeTestBed bed;
    auto ad = DZNativeAppInstallAd::create(appInstall(bed.server().url()), {});
    ad->recordImpression();
    ad->recordImpression();
    ASSERT_TRUE(bed.until([&] { return bed.hitsOf("/imp") == 1; }));
    bed.runFor(std::chrono::milliseconds(200));
    EXPECT_EQ(bed.hitsOf("/imp"), 1);

    // A server's thousand impression URLs make no more pings than the cap.
    auto flooding = appInstall(bed.server().url());
    auto& urls = flooding["tracking_urls_and_actions"]["impression_tracking_urls"];
    for (int i = 0; i < 1000; ++i) urls.push_back(bed.server().url("/imp?n=" + std::to_string(i)));
    auto flood = DZNativeAppInstallAd::create(flooding, {});
    flood->recordImpression();
    const int cap = 1 + static_cast<int>(DZNativeAd::kMaxTrackingURLs);
    ASSERT_TRUE(bed.until([&] { return bed.hitsOf("/imp") >= cap; }));
    bed.runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(bed.hitsOf("/imp"), cap);

    EXPECT_FALSE(ad->clickPayload("", nlohmann::json::object()));
    auto small = DZNativeContentAd::create({{"headline", "H"}, {"body", "B"}}, {});
    EXPECT_EQ(
        *small->clickPayload("1001", {{"click_point", {{"x", 1.5}}}}),
        R"({"ad":{"body":"B","headline":"H"},"click":{"asset":"1001","sdk_version":"7.5.2","template":"1"},)"
        R"("click_point":{"x":1.5}})");
}

TEST(NativeTemplate, KeysSortWithoutCaseAndCustomClicksExpire) {
    NativeTestBed bed;
    nlohmann::json dictionary{
        {"custom_template_id", 10063},
        {"custom_assets",
         {{{"name", "b"}, {"type", "string"}, {"string_value", "x"}},
          {{"name", "A"}, {"type", "string"}, {"string_value", 5}},
          {{"name", "c"}, {"type", "string"}, {"string_value", "z"}},
          {{"name", "poster"}, {"type", "image"}, {"image_value", {{"url", "file:///x"}}}},
          {{"name", ""}, {"type", "string"}}}}};
    auto ad = DZNativeCustomTemplateAd::create(dictionary, {});
    ASSERT_TRUE(ad);
    EXPECT_EQ(ad->templateID(), "10063");
    EXPECT_EQ(ad->availableAssetKeys(), (std::vector<std::string>{"A", "b", "c"}));
    EXPECT_EQ(ad->stringForKey("A"), std::nullopt);
    EXPECT_TRUE(ad->requiredAssets().empty());
    EXPECT_FALSE(DZNativeCustomTemplateAd::create({{"custom_template_id", {1}}}, {}));
    EXPECT_TRUE(ad->hasValidConfigurationForRequestParameters({{"custom_template_ids", {"10063"}}}));
    EXPECT_FALSE(ad->hasValidConfigurationForRequestParameters({{"custom_template_ids", {10063}}}));
    auto many = nlohmann::json::array();
    for (int i = 0; i < 100; ++i)
        many.push_back({{"name", "k" + std::to_string(i)}, {"type", "string"}, {"string_value", "v"}});
    EXPECT_EQ(DZNativeCustomTemplateAd::create({{"custom_template_id", "1"}, {"custom_assets", many}}, {})
                  ->availableAssetKeys()
                  .size(),
              DZNativeCustomTemplateAd::kMaxAssets);

    int handled = 0;
    ad->performClickOnAssetWithKey("b", [&] { ++handled; });
    EXPECT_TRUE(ad->hasPendingCustomClick());
    ad->performClickOnAssetWithKey("b", [&] { handled += 100; });  // still pending: dropped
    bed.advance(DZNativeCustomTemplateAd::kCustomClickExpirySeconds - 0.5);
    EXPECT_TRUE(ad->hasPendingCustomClick());
    bed.advance(1);
    EXPECT_FALSE(ad->hasPendingCustomClick());
    ad->performClickOnAssetWithKey("c", [&] { ++handled; });
    EXPECT_TRUE(ad->hasPendingCustomClick());
    EXPECT_EQ(handled, 0);
}

TEST(NativeTemplate, TemplateIDsGoAsTextAndWhatIsNeitherTextNorNumberIsLeftOut) {
    NativeTestBed bed;
    auto loader = DZAdLoader::create("unit", {}, {"3"});
    auto app = std::make_shared<TemplateApp>();
    app->ids = {"123", "abc", 456, nlohmann::json::array({7})};
    ASSERT_TRUE(loader->setDelegate(app));
    DZLoggingQueue()->sync([] {});
    platform::ScopedLogSink sink;
    EXPECT_EQ(DZNativeCustomTemplateAd::requestParametersForAdLoader(*loader),
              nlohmann::json({{"format", 3}, {"custom_template_ids", {"123", "abc", "456"}}}));
    DZLoggingQueue()->sync([] {});
    EXPECT_THAT(sink.lines(),
                ::testing::ElementsAre(::testing::HasSubstr("may be invalid: abc"),
                                       ::testing::HasSubstr("non-string custom template ID: [7]")));
}
