// A rich-media creative in a slot's banner: what it hears from the slot, its requests (pictures,
// calendar events, orientations), and the parsing of its event times.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <utility>
#include <vector>

#include "AdViewTestBed.h"
#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/render/mraid/DZMRAIDCalendarProperties.h"
#include "ads/render/overlay/DZViewController.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZMRAIDAMSGHandler.h"
#include "ads/render/view/DZOpener.h"
#include "platform/calendar/FakeEventStore.h"
#include "platform/photos/PhotoLibrary.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "support/LoopbackServer.h"

using platform::calendar::AuthorizationStatus;
using platform::calendar::EventStore;
using platform::calendar::FakeEventStore;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

using Event = std::pair<std::string, nlohmann::json>;

// A picture of width x height as the given format's bytes.
std::string pictureBytes(int width, int height, const char* format = "png") {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    gdk_pixbuf_fill(pixbuf, 0x3366ccff);
    gchar* buffer = nullptr;
    gsize size = 0;
    EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, format, nullptr, nullptr));
    std::string bytes(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    return bytes;
}

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) files.push_back(entry.path());
    return files;
}

class MRAIDCreative : public ::testing::Test {
  protected:
    void SetUp() override {
        previousStore_ = EventStore::setShared(store_);
        slot_ = DZSlot::create({0, 0, 320, 50});
        slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        // The creative's requests themselves; a test that wants protection turns it on.
        slot_->adViewDelegate()->opener().setAutoClickProtected(false);
        view_ = slot_->adView();
        page_ = &bed_.engine();
        view_->loadHTMLString("<p>ad</p>", "https://ads.example/creative");
        bed_.runUntilIdle();
        page_->finishLoad();
        slot_->finishedLoadingAdResponse(std::make_shared<DZAd>());
        for (const auto& handler : slot_->adViewDelegate()->amsgHandlers())
            if (auto mraid = std::dynamic_pointer_cast<DZMRAIDAMSGHandler>(handler)) handler_ = mraid;
        events();
    }
    void TearDown() override {
        platform::ui::Application::shared().setStatusBarOrientation(1);
        EventStore::setShared(previousStore_);
    }
    bool page(const std::string& message) {
        slot_->adViewDelegate()->opener().setNavigationContext("amsg://page/" + message, controller_, view_);
        return handler_->handleRequest("amsg://page/" + message, view_);
    }
    // The messages the page was sent since the last call.
    std::vector<Event> events() {
        bed_.runUntilIdle();
        std::vector<Event> seen;
        const std::string prefix = "ZAZO_ReceiveMessage(";
        for (const auto& pending : page_->pendingScripts()) {
            const std::string& script = pending.script;
            if (!script.starts_with(prefix)) continue;
            const auto inner = script.substr(prefix.size(), script.size() - prefix.size() - 2);
            const auto comma = inner.find("\", ");
            if (comma == std::string::npos) {
                seen.emplace_back(nlohmann::json::parse(inner).get<std::string>(), nlohmann::json());
            } else {
                seen.emplace_back(nlohmann::json::parse(inner.substr(0, comma + 1)).get<std::string>(),
                                  nlohmann::json::parse(inner.substr(comma + 3)));
            }
        }
        while (page_->completeScript({true, "", ""})) {
        }
        return seen;
    }
    std::vector<std::string> names(const std::vector<Event>& seen) {
        std::vector<std::string> result;
        for (const auto& [name, info] : seen) result.push_back(name);
        return result;
    }
    std::vector<std::string> errors() {
        std::vector<std::string> result;
        for (const auto& [name, info] : events())
            if (name == "onError")
                result.push_back(info["action"].get<std::string>() + ": " +
                                 info["message"].get<std::string>());
        return result;
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<FakeEventStore> store_ = std::make_shared<FakeEventStore>(AuthorizationStatus::Denied);
    std::shared_ptr<EventStore> previousStore_;
    std::shared_ptr<DZSlot> slot_;
    std::shared_ptr<DZAdView> view_;
    std::shared_ptr<DZViewController> controller_;
    platform::web::FakeWebEngine* page_ = nullptr;
    std::shared_ptr<DZMRAIDAMSGHandler> handler_;
};

}  // namespace

TEST_F(MRAIDCreative, TheAnnouncementMakesTheSlotTellTheCreativeUntilItsAdGoes) {
    ASSERT_NE(handler_, nullptr);
    EXPECT_FALSE(slot_->isMRAIDEnabled());
    store_->setStatus(AuthorizationStatus::NotDetermined);
    EXPECT_TRUE(page("mraidLoaded"));
    EXPECT_TRUE(slot_->isMRAIDEnabled());
    const auto seen = events();
    EXPECT_THAT(names(seen), ElementsAre("onScreenInfoChanged", "onScreenInfoChanged",
                                         "onDeviceFeaturesReceived", "onReadyEventReceived"));
    const auto& features = seen[2].second;
    // Texts would reach a composer that cannot send here; a calendar not yet asked counts.
    EXPECT_EQ(features["sms"], false);
    EXPECT_EQ(features["calendar"], true);
    EXPECT_EQ(features["storePicture"], true);
    EXPECT_TRUE(seen[3].second["js"].is_string());

    // Announcing again observes the screen once still; a turn of the screen is heard.
    EXPECT_TRUE(page("mraidLoaded"));
    events();
    platform::ui::Application::shared().setStatusBarOrientation(3);
    EXPECT_THAT(names(events()), ElementsAre("onScreenInfoChanged"));

    // The slot's visibility and errors reach the creative as SDK events.
    slot_->adViewDidChangeZadavaDuruVisibility(false);
    slot_->handleError("refused", "resize");
    const auto later = events();
    ASSERT_THAT(names(later), ElementsAre("onAdVisibilityChanged", "onError"));
    EXPECT_EQ(later[0].second["visible"], false);
    EXPECT_EQ(later[1].second["action"], "resize");

    slot_->resetRequestState();
    EXPECT_FALSE(slot_->isMRAIDEnabled());
    EXPECT_FALSE(slot_->isListeningToDeviceOrientationChangeEvent());
    platform::ui::Application::shared().setStatusBarOrientation(1);
    slot_->didChangeDeviceOrientation();
    EXPECT_THAT(events(), IsEmpty());
}

TEST_F(MRAIDCreative, ACreativesPlaceIsSentOnlyWhenItChanged) {
    page("mraidLoaded");
    auto window = DZAdView::placeholderWindow();
    auto holder = std::make_shared<platform::ui::View>(platform::Rect{0, 0, 320, 480});
    window->addSubview(holder);
    holder->addSubview(view_);
    view_->setFrame({0, 100, 320, 50});
    events();
    slot_->updatePositionFromView(*view_);
    auto seen = events();
    ASSERT_THAT(names(seen), ElementsAre("onSizeChanged"));
    EXPECT_EQ(seen[0].second["y"], 100.0);
    EXPECT_EQ(seen[0].second["height"], 50.0);
    slot_->updatePositionFromView(*view_);
    EXPECT_THAT(events(), IsEmpty());
    view_->setFrame({0, 120, 320, 50});
    slot_->updatePositionFromView(*view_);
    EXPECT_THAT(names(events()), ElementsAre("onSizeChanged"));
    holder->removeFromSuperview();
}

TEST_F(MRAIDCreative, RequestsWithoutAKnownKindAreTakenAndDoNothing) {
    EXPECT_TRUE(page("mraid"));
    EXPECT_TRUE(page("mraid?a=teleport"));
    EXPECT_TRUE(page("mraid?a=storepicture&iurl=https%3A%2F%2Fads.example%2Fp.png"));
    EXPECT_THAT(events(), IsEmpty());
    EXPECT_THAT(handler_->pendingPictureDownloads(), IsEmpty());

    // A resize reaches the handler; one missing a key is refused to the creative.
    EXPECT_TRUE(page("mraid?a=resize&width=320&height=250&offsetX=0&offsetY=0&allowOffscreen=false"));
    EXPECT_THAT(errors(), ElementsAre("resize: Received invalid resize properties"));
}

TEST_F(MRAIDCreative, OrientationPropertiesThatCannotBeUsedKeepTheScreensOrientations) {
    // Not on a full-screen ad: nothing happens, not even an error.
    EXPECT_TRUE(page("mraid?a=setOrientationProperties&allowOrientationChange=maybe"));
    EXPECT_THAT(events(), IsEmpty());

    controller_ = std::make_shared<DZViewController>();
    controller_->setSupportedInterfaceOrientations(6);
    page("mraid?a=setOrientationProperties&allowOrientationChange=true&forceOrientation=none");
    EXPECT_EQ(controller_->supportedInterfaceOrientations(), 30u);
    platform::ui::Application::shared().setStatusBarOrientation(4);
    page("mraid?a=setOrientationProperties&allowOrientationChange=0&forceOrientation=none");
    EXPECT_EQ(controller_->supportedInterfaceOrientations(), 24u);
    page("mraid?a=setOrientationProperties&allowOrientationChange=false&forceOrientation=portrait");
    EXPECT_EQ(controller_->supportedInterfaceOrientations(), 6u);
    EXPECT_THAT(errors(), IsEmpty());

    // An unknown orientation would leave the screen with none; a missing flag is no request.
    page("mraid?a=setOrientationProperties&allowOrientationChange=false&forceOrientation=sideways");
    page("mraid?a=setOrientationProperties&forceOrientation=landscape");
    EXPECT_EQ(controller_->supportedInterfaceOrientations(), 6u);
    EXPECT_THAT(errors(), ElementsAre("setOrientationProperties: Received invalid orientation properties",
                                      "setOrientationProperties: Received invalid orientation properties"));
}

TEST_F(MRAIDCreative, ACalendarEventOnADesktopWithoutACalendarIsCancelled) {
    page("mraidLoaded");
    events();
    auto& opener = slot_->adViewDelegate()->opener();
    opener.setAutoClickProtected(true);
    page("mraid?a=createCalendarEvent&start=2026-12-24T18%3A00%3A00%2B01%3A00&description=Party");
    EXPECT_THAT(errors(),
                ElementsAre(HasSubstr("createCalendarEvent: Creating calendar events is not allowed")));
    view_->setTouched(true);
    page("mraid?a=createCalendarEvent&start=2026-12-24T18%3A00%3A00%2B01%3A00&description=Party");
    EXPECT_THAT(names(events()), ElementsAre("onCalendarEventCanceled"));
}

TEST_F(MRAIDCreative, PicturesSaveCancelAnEmptyBodyAndNonImageData) {
    tikoleap::test::LoopbackServer server;
    server.reply("/p.png", 200, pictureBytes(8, 6, "jpeg"), {{"Content-Type", "image/png"}});
    server.reply("/empty.png", 200, "");
    server.reply("/text.png", 200, "<html>not a picture</html>");
    server.reply("/wide.png", 200, pictureBytes(platform::photos::PhotoLibrary::kMaxSide + 1, 1));
    const auto pictures = bed_.home().home().path() / "Pictures";
    const auto ask = [&](const std::string& path) {
        page("mraid?a=storePicture&iurl=" + server.url(path));
        auto pending = handler_->pendingPictureDownloads().find(server.url(path));
        return pending == handler_->pendingPictureDownloads().end() ? nullptr : pending->second;
    };
    const auto settled = [&] {
        return bed_.home().pump().until([&] { return handler_->pendingPictureDownloads().empty(); });
    };

    // Cancel: nothing is fetched, nothing is said, and the creative may ask again.
    auto picture = ask("/p.png");
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(picture->alert(), nullptr);
    EXPECT_EQ(picture->alert()->message(), DZMRAIDPicture::kAlertMessage);
    // A flood: the same picture is ignored, another one refused while the user is asked.
    EXPECT_EQ(ask("/p.png"), picture);
    EXPECT_EQ(ask("/text.png"), nullptr);
    EXPECT_THAT(errors(), ElementsAre("storePicture: Another picture is waiting for the user's permission."));
    picture->alert()->clickButtonAtIndex(0);
    EXPECT_THAT(handler_->pendingPictureDownloads(), IsEmpty());
    EXPECT_EQ(server.count("/p.png"), 0u);

    // Save: one file of the picture in the user's pictures, decoded and written off the main loop,
    // which goes on while the library's queue is busy and hears the outcome once it is done.
    std::promise<void> busy;
    platform::photos::PhotoLibrary::queue()->async([done = busy.get_future().share()] { done.wait(); });
    picture = ask("/p.png");
    ASSERT_NE(picture, nullptr);
    picture->alert()->clickButtonAtIndex(1);
    ASSERT_TRUE(bed_.home().pump().until([&] { return server.count("/p.png") == 1; }));
    bed_.home().pump().runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(handler_->pendingPictureDownloads().size(), 1u);
    EXPECT_THAT(filesIn(pictures), IsEmpty());
    busy.set_value();
    ASSERT_TRUE(settled());
    EXPECT_THAT(errors(), IsEmpty());
    auto files = filesIn(pictures);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].extension(), ".png");
    // Written anew as PNG, whatever came.
    std::string signature(8, '\0');
    std::ifstream(files[0], std::ios::binary).read(signature.data(), 8);
    EXPECT_EQ(signature, "\x89PNG\r\n\x1a\n");
    GdkPixbuf* saved = gdk_pixbuf_new_from_file(files[0].c_str(), nullptr);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(saved), 8);
    g_object_unref(saved);
    // The same picture again is a second file, never the first one overwritten.
    ask("/p.png")->alert()->clickButtonAtIndex(1);
    ASSERT_TRUE(settled());
    EXPECT_EQ(filesIn(pictures).size(), 2u);

    // An empty body, bytes that are no picture and a picture too large all fail for the creative.
    const std::vector<std::pair<std::string, std::string>> failing{
        {"/empty.png", "empty"}, {"/text.png", "format"}, {"/wide.png", "at most 4096 a side"}};
    for (const auto& [path, reason] : failing) {
        ask(path)->alert()->clickButtonAtIndex(1);
        ASSERT_TRUE(settled()) << path;
        EXPECT_THAT(errors(),
                    ElementsAre(testing::AllOf(HasSubstr("storePicture: Failed to load " + server.url(path)),
                                               HasSubstr(reason))));
    }
    EXPECT_EQ(filesIn(pictures).size(), 2u);

    // Only web pictures are asked for.
    for (const std::string url : {"file%3A%2F%2F%2Fetc%2Fpasswd", "data%3Aimage%2Fpng%3Bbase64%2CAA", ""}) {
        page("mraid?a=storePicture&iurl=" + url);
        EXPECT_THAT(errors(), ElementsAre("storePicture: Could not initialize picture download."));
    }
    EXPECT_THAT(handler_->pendingPictureDownloads(), IsEmpty());
}

TEST(MRAIDCalendarProperties, DatesNeedTheDateTheLetterTATimeAndAZone) {
    using namespace std::chrono;
    const auto at = [](int y, unsigned m, unsigned d, int h, int min) {
        return sys_days{year{y} / month{m} / day{d}} + hours{h} + minutes{min};
    };
    const DZMRAIDCalendarProperties withOffset(
        {{"start", "2026-12-24T18:30:00+02:00"}, {"end", "2026-12-24T18:30:00-05:30"}, {"summary", "Party"}});
    EXPECT_EQ(withOffset.startTime(), at(2026, 12, 24, 16, 30));
    EXPECT_EQ(withOffset.endTime(), at(2026, 12, 25, 0, 0));
    EXPECT_EQ(withOffset.summary(), "Party");
    EXPECT_FALSE(withOffset.location());
    EXPECT_EQ(DZMRAIDCalendarProperties::dateFromString("2026-12-24T18:30:00Z"), at(2026, 12, 24, 18, 30));
    for (const std::string bad : {"2026-12-24T18:30:00", "2026-12-24 18:30:00+02:00", "2026-12-24 18:30:00Z",
                                  "2026-02-30T10:00:00Z", "2026-12-24T24:00:00Z", "2026-12-24T18:30:00+0200",
                                  "2026-12-24T18:30:00+02:60", "2026-1a-24T18:30:00Z", ""}) {
        EXPECT_FALSE(DZMRAIDCalendarProperties::dateFromString(bad)) << bad;
    }
    const DZMRAIDCalendarProperties empty({});
    EXPECT_FALSE(empty.startTime());
    EXPECT_FALSE(empty.summary());
}
