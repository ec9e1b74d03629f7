// The banner built from the cached list: its items at their positions, its placement on the
// game-over screen, and the actions of its buttons.
#include <zlib.h>

#include "platform/foundation/ScopedLogSink.h"
#include "platform/image/ImageDecoder.h"
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

// A black 24 x 12 picture behind a hundred text chunks, whose pixel data inflates past its rows
// to 32 MB more.
std::string heavyPng() {
    std::string file("\x89PNG\r\n\x1a\n", 8);
    const auto chunk = [&file](const char* type, const std::string& data) {
        const std::string typed = type + data;
        const auto put32 = [&file](std::uint32_t v) {
            for (int shift = 24; shift >= 0; shift -= 8) file += static_cast<char>((v >> shift) & 0xff);
        };
        put32(static_cast<std::uint32_t>(data.size()));
        file += typed;
        put32(static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
    };
    chunk("IHDR", std::string("\0\0\0\x18\0\0\0\x0c\x08\x02\0\0\0", 13));  // 24 x 12, 8-bit RGB
    for (int i = 0; i < 100; ++i) chunk("tEXt", "Comment" + std::string(1, '\0') + std::string(1000, 'x'));
    z_stream stream{};
    deflateInit(&stream, Z_BEST_COMPRESSION);
    std::string zeros(1 << 20, '\0'), compressed, out(1 << 16, '\0');
    for (int part = 0; part <= 32; ++part) {
        stream.next_in = reinterpret_cast<Bytef*>(zeros.data());
        stream.avail_in = part < 32 ? static_cast<uInt>(zeros.size()) : 12 * (1 + 24 * 3);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, part < 32 ? Z_NO_FLUSH : Z_FINISH);
            compressed.append(out.data(), out.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    chunk("IDAT", compressed);
    chunk("IEND", "");
    return file;
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

TEST_F(BannerTest, PicturesGoThroughTheAppsOneDecoder) {
    // The banner is built on the main loop: its pictures are decoded by the decoder that bounds
    // what a picture costs, which reads a PNG's rows and neither its text chunks nor what its
    // pixel data inflates to past them.
    const std::string heavy = heavyPng();
    serveFile("heavy.png", heavy);
    cache("page",
          item({"Fi", "heavy", "heavy.png", crcText(heavy)}) + ",\n" + item({"UI", "200", "10", "heavy"}));
    const auto before = platform::ImageDecoder::loaderHandings();
    ASSERT_TRUE(manager->buildBanner());
    EXPECT_EQ(platform::ImageDecoder::loaderHandings() - before, 3u);
    ASSERT_EQ(manager->bannerView()->subviews().size(), 3u);
    auto picture =
        std::dynamic_pointer_cast<platform::ui::ImageView>(manager->bannerView()->subviews().at(2));
    ASSERT_TRUE(picture && picture->image());
    EXPECT_EQ(picture->image()->width, 24);
    EXPECT_EQ(picture->image()->height, 12);
    EXPECT_EQ(picture->image()->pixels.at(4 * 24 * 12 - 2), 0);
    EXPECT_EQ(picture->frame(), (platform::Rect{200, 10, 24, 12}));
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
