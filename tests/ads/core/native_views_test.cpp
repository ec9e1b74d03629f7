// The native ad containers on a window and the virtual clock: the attribution badge (shown only
// with something to show, drawn in its grey, its icon taking taps over the app's views), taps
// on the app's asset views (hidden ones never, buttons keeping their own action), and the one
// impression that waits until the container can be seen.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/formats/native/DZNativeAd.h"
#include "ads/formats/native/DZNativeAdAttribution.h"
#include "ads/formats/native/DZNativeAdAttributionView.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/formats/native/DZNativeAdViewPolicy.h"
#include "ads/formats/native/DZNativeAdViewPolicyDelegate.h"
#include "ads/formats/native/DZNativeAppInstallAdView.h"
#include "ads/foundation/DZViewUtilities.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/render/swipe/DZPushTransitionView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"
#include "support/GLTestContext.h"
#include "tools/adserver/AdServer.h"

using platform::Rect;
using namespace platform::ui;

namespace {

// Records what the views hand the ad; counts impressions as the base does (once).
class RecordingAd : public DZNativeAd,
                    public DZNativeAdSourceAttributing,
                    public DZOverlayViewSource,
                    public DZNativeAdViewPolicyDelegate {
  public:
    explicit RecordingAd(std::shared_ptr<DZNativeAdAttribution> attribution)
        : DZNativeAd(nlohmann::json{{"tracking_urls_and_actions", nlohmann::json::object()}}),
          attribution_(std::move(attribution)) {}
    DZNativeAdClass adClass() const override { return DZNativeAdClass::kAppInstall; }
    void loadAssets(AssetCompletion) override {}
    void adLoaderDidReceiveAd(DZAdLoader&) override {}
    void performClickOnView(View*, const std::string& assetName, const nlohmann::json& environment) override {
        clicks.push_back(assetName);
        lastEnvironment = environment;
    }
    void recordImpression() override {
        if (!hasRecordedImpression()) ++impressions;
        DZNativeAd::recordImpression();
    }
    std::shared_ptr<DZNativeAdAttribution> attribution() const override { return attribution_; }
    std::shared_ptr<DZOverlayView> overlayView() const override { return nullptr; }
    void nativeAdViewPolicyDidStartTrackingView(View&) override { ++trackingStarts; }

    std::vector<std::string> clicks;
    nlohmann::json lastEnvironment;
    int impressions = 0;
    int trackingStarts = 0;

  private:
    std::shared_ptr<DZNativeAdAttribution> attribution_;
};

class NativeViews : public ::testing::Test {
  protected:
    void SetUp() override {
        window_->setRunLoop(&bed_.home().loop());
        window_->makeKeyAndVisible();
        container_->setBackgroundColor(Color{1, 1, 1, 1});
    }
    void TearDown() override {
        DZNativeAdImage::setDecoder(nullptr);
        bed_.runUntilIdle();
    }

    // Every icon comes from the local server and decodes to a square of `side` pixels.
    std::shared_ptr<DZNativeAdAttribution> loadedAttribution(const nlohmann::json& dictionary, int side) {
        DZNativeAdImage::setDecoder([side](const std::string&, const DZNativeAdImage::Admission&,
                                           platform::DecodeAllowance*, std::string*) {
            return std::optional<platform::Image>(tikoleap::test::paintedImage(side, side));
        });
        auto attribution = DZNativeAdAttribution::fromDictionary(dictionary);
        bool done = false;
        attribution->loadAssets([&done](platform::ErrorRef error) {
            EXPECT_FALSE(error);
            done = true;
        });
        EXPECT_TRUE(bed_.home().pump().until([&] { return done; }));
        return attribution;
    }
    nlohmann::json iconAt(const std::string& path, double scale = 1) {
        return {{"url", server_.baseURL() + path}, {"scale", scale}};
    }
    std::shared_ptr<RecordingAd> show(std::shared_ptr<DZNativeAdAttribution> attribution) {
        auto ad = std::make_shared<RecordingAd>(std::move(attribution));
        container_->nativeAdViewPolicy()->setNativeAd(ad);
        window_->layoutIfNeeded();
        return ad;
    }
    platform::Point centreOnWindow(const View& view) {
        return view.convertPointToWindow({view.bounds().size.width / 2, view.bounds().size.height / 2});
    }
    // The container's picture at (x, y), RGB.
    std::vector<int> pixel(const platform::Image& image, int x, int y) {
        const auto* p = &image.pixels[static_cast<std::size_t>((y * image.width + x) * 4)];
        return {p[0], p[1], p[2]};
    }

    tikoleap::test::AdViewTestBed bed_;
    tikoleap::adserver::AdServer server_;
    Application app_{NotificationCenter::defaultCenter()};
    std::shared_ptr<Window> window_ = std::make_shared<Window>(Rect{0, 0, 320, 480}, &app_);
    UiDriver driver_{window_, &bed_.home().loop()};
    std::shared_ptr<DZNativeAppInstallAdView> container_ = DZNativeAppInstallAdView::create({0, 0, 320, 250});
};

}  // namespace

TEST_F(NativeViews, TheBadgeShowsOnlyWithContentAndItsIconClicksOverAnAppView) {
    ASSERT_TRUE(server_.start(0, ""));
    window_->addSubview(container_);
    auto headline = std::make_shared<Label>(Rect{160, 0, 160, 40});
    container_->setHeadlineView(headline);
    container_->addSubview(headline);
    const auto badge = container_->nativeAdViewPolicy()->attributionView();
    GLTestContext gl(320, 250);
    ASSERT_TRUE(gl.ok()) << gl.error();

    show(DZNativeAdAttribution::fromDictionary({{"text", ""}}));
    EXPECT_TRUE(badge->isHidden());
    auto picture = dz_render(*container_);
    ASSERT_TRUE(picture);
    EXPECT_EQ(pixel(*picture, 318, 2), (std::vector<int>{255, 255, 255}));

    auto ad = show(loadedAttribution({{"text", "Ad"}, {"image", iconAt("creative/house-banner")}}, 16));
    ASSERT_FALSE(badge->isHidden());
    EXPECT_EQ(badge->frame().origin.y, 0);
    EXPECT_EQ(badge->frame().origin.x + badge->frame().size.width, 320);
    EXPECT_EQ(badge->iconAreaSize(), (platform::Size{16, 16}));
    picture = dz_render(*container_);
    ASSERT_TRUE(picture);
    const int midBadge = static_cast<int>(badge->frame().size.height / 2);
    EXPECT_EQ(pixel(*picture, static_cast<int>(badge->frame().origin.x) + 1, midBadge),
              (std::vector<int>{204, 204, 204}));

    // The headline lies under the badge: the icon takes the tap.
    driver_.tapAt(centreOnWindow(*badge->iconView()));
    driver_.tapAt(centreOnWindow(*badge->textView()));
    driver_.tapAt({170, 30});
    EXPECT_EQ(ad->clicks, (std::vector<std::string>{"2009", "2010", "2001"}));
    const auto& rectangles = ad->lastEnvironment["view_rectangles"];
    EXPECT_EQ(rectangles["2001"], (nlohmann::json{{"x", 160}, {"y", 0}, {"width", 160}, {"height", 40}}));
    EXPECT_TRUE(rectangles.contains("2009") && rectangles.contains("2010"));
    EXPECT_EQ(ad->lastEnvironment["click_point"], (nlohmann::json{{"x", 170}, {"y", 30}}));

    // A later attribution replaces the icon area's size instead of adding to it.
    show(loadedAttribution({{"text", "Ad"}, {"image", iconAt("creative/house-banner", 2)}}, 16));
    EXPECT_EQ(badge->iconAreaSize(), (platform::Size{8, 8}));
    EXPECT_EQ(badge->iconView()->frame().size, (platform::Size{8, 8}));
}

TEST_F(NativeViews, HiddenAssetsNeverClickAndAButtonKeepsItsAction) {
    window_->addSubview(container_);
    auto body = std::make_shared<Label>(Rect{0, 60, 320, 40});
    body->setHidden(true);
    auto button = std::make_shared<Button>();
    button->setFrame({10, 120, 100, 40});
    int pressed = 0;
    button->addTarget(ControlEventTouchUpInside, [&pressed](Control&) { ++pressed; });
    for (const auto& view : std::vector<std::shared_ptr<View>>{body, button}) container_->addSubview(view);
    container_->setBodyView(body);
    container_->setCallToActionView(button);
    container_->setCallToActionView(button);  // the same view again keeps one entry
    auto ad = show(nullptr);

    driver_.tapAt({160, 80});
    EXPECT_TRUE(ad->clicks.empty());
    EXPECT_TRUE(driver_.tap(button));
    EXPECT_EQ(ad->clicks, (std::vector<std::string>{"2002"}));
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(ad->lastEnvironment["view_rectangles"].size(), 2u);

    // A view nobody else holds drops out.
    container_->setCallToActionView(nullptr);
    body->removeFromSuperview();
    body.reset();
    EXPECT_EQ(container_->bodyView(), nullptr);
}

TEST_F(NativeViews, NoImpressionOffScreenThenOneOnceSeen) {
    auto ad = show(nullptr);
    container_->layoutIfNeeded();
    EXPECT_EQ(ad->impressions, 0);
    EXPECT_TRUE(container_->nativeAdViewPolicy()->isMonitoringImpression());
    EXPECT_GE(ad->trackingStarts, 1);

    window_->addSubview(container_);
    window_->layoutIfNeeded();
    bed_.home().loop().advance(1);
    EXPECT_EQ(ad->impressions, 1);
    EXPECT_FALSE(container_->nativeAdViewPolicy()->isMonitoringImpression());
    container_->setNeedsLayout();
    window_->layoutIfNeeded();
    container_->removeFromSuperview();
    window_->addSubview(container_);
    EXPECT_EQ(ad->impressions, 1);

    // The next ad counts its own.
    auto next = show(nullptr);
    EXPECT_EQ(next->impressions, 1);
}
