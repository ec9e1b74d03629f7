// The banner built from the cached list: its items at their positions, its placement on the
// game-over screen, and the actions of its buttons.
#include "platform/foundation/ScopedLogSink.h"
#include "platform/image/PngCodec.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Window.h"
#include "tests/services/AnnounceTestKit.h"

using namespace announcetest;

namespace {

std::string png(int width, int height) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4, 200);
    std::vector<uint8_t> bytes = platform::PngCodec::encode(rgba.data(), width, height);
    return std::string(bytes.begin(), bytes.end());
}

const std::string kButtonImage = png(40, 20);
const std::string kPicture = png(30, 30);

struct BannerTest : AnnounceTest {
    void SetUp() override {
        AnnounceTest::SetUp();
        serveFile("button.png", kButtonImage);
        serveFile("picture.png", kPicture);
    }
    // A list with one button (running action `action`) and one picture, checked and cached.
    void cache(const std::string& action, const std::string& extraItems = "") {
        std::string body = list(
            {item({"HVSi", "300", "50"}), item({"HCIt", "10", "10"}),
             item({"Fi", "btn", "button.png", crcText(kButtonImage)}),
             item({"Fi", "pic", "picture.png", crcText(kPicture)}), item({"UB", "10", "5", "btn", action}),
             item({"UI", "100", "10", "pic"}), item({"AU", "page", "http://example.test/page"}),
             item({"AU", "wipe", "tikoleap:///announceManager/deleteCacheFiles"}),
             item({"AU", "file", "file:///etc/passwd"}), item({"AU", "dash", "-oProxy=x"})});
        if (!extraItems.empty()) body.insert(body.size() - 1, ",\n" + extraItems);
        serveList(body);
        clock = clock + 100;
        check();
        ASSERT_TRUE(std::filesystem::exists(cacheDir() / "announce.plist"));
    }
    std::shared_ptr<platform::ui::Button> button() const {
        return std::dynamic_pointer_cast<platform::ui::Button>(manager->bannerView()->subviews().at(0));
    }
    void push() { button()->sendActionsForControlEvents(platform::ui::ControlEventTouchUpInside); }

    std::shared_ptr<platform::ui::Window> screen =
        std::make_shared<platform::ui::Window>(platform::Rect{0, 0, 480, 320});
    std::shared_ptr<platform::ui::View> alternative = std::make_shared<platform::ui::View>();
};

}  // namespace

TEST_F(BannerTest, ItemsStandAtTheirPositionsWithTheirImagesSizes) {
    cache("page");
    ASSERT_TRUE(manager->buildBanner());
    const auto& banner = manager->bannerView();
    EXPECT_EQ(banner->frame(), (platform::Rect{0, 0, 300, 50}));
    ASSERT_EQ(banner->subviews().size(), 2u);
    ASSERT_TRUE(button());
    EXPECT_EQ(button()->frame(), (platform::Rect{10, 5, 40, 20}));
    EXPECT_EQ(button()->tag(), 0);
    EXPECT_EQ(button()->imageForState(platform::ui::ControlStateNormal)->width, 40);
    auto picture = std::dynamic_pointer_cast<platform::ui::ImageView>(banner->subviews().at(1));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->frame(), (platform::Rect{100, 10, 30, 30}));
    EXPECT_FALSE(picture->isUserInteractionEnabled());
}

TEST_F(BannerTest, PlacementFollowsPositionAndAlignment) {
    cache("page");
    screen->addSubview(alternative);
    // Landscape: right edge on x = 480, centred on y = 160.
    manager->showBannerOn(screen, alternative, {480, 160}, 1, 0);
    EXPECT_EQ(manager->bannerView()->frame(), (platform::Rect{180, 135, 300, 50}));
    EXPECT_EQ(screen->subviews().front(), manager->bannerView());
    EXPECT_FALSE(alternative->superview());
    // Portrait: centred on x = 160, bottom edge on y = 480.
    auto portrait = std::make_shared<platform::ui::Window>(platform::Rect{0, 0, 320, 480});
    auto kept = manager->bannerView();
    manager->showBannerOn(portrait, nullptr, {160, 480}, 0, 1);
    EXPECT_EQ(manager->bannerView(), kept);  // nothing new cached: the same banner
    EXPECT_EQ(manager->bannerView()->frame(), (platform::Rect{10, 430, 300, 50}));
    EXPECT_FALSE(manager->bannerView()->superview() == screen);
    manager->closeBanner();
    EXPECT_FALSE(kept->superview());
    // A new list makes a new banner at the next show.
    cache("page");
    manager->showBannerOn(portrait, nullptr, {160, 480}, 0, 1);
    EXPECT_NE(manager->bannerView(), kept);
}

TEST_F(BannerTest, WithoutACachedListTheAlternativeViewStays) {
    screen->addSubview(alternative);
    manager->showBannerOn(screen, alternative, {480, 160}, 1, 0);
    EXPECT_FALSE(manager->bannerView());
    EXPECT_EQ(alternative->superview(), screen);
    // A list without banner items gives no banner either.
    serveList(list({item({"HVSi", "300", "50"})}));
    check();
    manager->showBannerOn(screen, alternative, {480, 160}, 1, 0);
    EXPECT_FALSE(manager->bannerView());
    EXPECT_EQ(alternative->superview(), screen);
}

TEST_F(BannerTest, AnImageThatNoLongerMatchesItsChecksumIsNotShown) {
    cache("page");
    platform::writeFileAtomically(cacheDir() / ("button.png." + crcText(kButtonImage)), kPicture.data(),
                                  kPicture.size(), 0600);
    platform::ScopedLogSink log;
    ASSERT_TRUE(manager->buildBanner());
    EXPECT_FALSE(button()->imageForState(platform::ui::ControlStateNormal));
    EXPECT_EQ(button()->frame().size, (platform::Size{0, 0}));
}

TEST_F(BannerTest, ButtonsOpenOnlyWebPages) {
    for (const char* action : {"page", "file", "dash"}) {
        SCOPED_TRACE(action);
        cache(action);
        ASSERT_TRUE(manager->buildBanner());
        push();
    }
    EXPECT_EQ(opener->opened(), (std::vector<std::string>{"http://example.test/page"}));
    cache("wipe");
    ASSERT_TRUE(manager->buildBanner());
    push();
    EXPECT_TRUE(filesIn(cacheDir()).empty());
}

TEST_F(BannerTest, AChoiceSheetRunsTheChosenAction) {
    cache("more", R"(("AS", "more", "Pick one", (("Open", "page"), ("Wipe", "wipe"), ("Nothing", "none"))))");
    auto content = std::make_shared<platform::ui::View>(platform::Rect{0, 0, 480, 320});
    screen->addSubview(content);
    manager->showBannerOn(content, nullptr, {480, 160}, 1, 0);
    push();
    auto sheet = manager->selectActionSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->numberOfButtons(), 3);
    EXPECT_EQ(sheet->buttonTitleAtIndex(0), "Open");
    EXPECT_EQ(screen->frontModal(), sheet);
    sheet->clickButtonAtIndex(0);
    EXPECT_EQ(opener->opened(), (std::vector<std::string>{"http://example.test/page"}));
    EXPECT_FALSE(manager->selectActionSheet());
    // Cancel and an option naming no action do nothing.
    push();
    manager->selectActionSheet()->clickButtonAtIndex(platform::ui::ActionSheet::kCancelIndex);
    push();
    manager->selectActionSheet()->clickButtonAtIndex(2);
    EXPECT_EQ(opener->opened().size(), 1u);
    EXPECT_FALSE(filesIn(cacheDir()).empty());
    push();
    manager->selectActionSheet()->clickButtonAtIndex(1);
    EXPECT_TRUE(filesIn(cacheDir()).empty());
}

TEST_F(BannerTest, AnUnknownAnnounceManagerPathIsShownInAnAlert) {
    screen->makeKeyAndVisible();
    manager->processAmUrl("tikoleap:///announceManager/somethingElse");
    auto alert = std::dynamic_pointer_cast<platform::ui::AlertView>(screen->frontModal());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "AM:unknown path");
    EXPECT_EQ(alert->message(), "somethingElse");
}
