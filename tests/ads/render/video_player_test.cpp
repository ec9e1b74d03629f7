// The page's native video: the "video" message's actions on a scripted platform player (places,
// levels, seeks, sources and the events the page hears), then the GStreamer player itself
// playing the local ad server's test videos, within what the ad may keep on disk (and a player no
// ad view gave an allowance, within its own).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "AdViewTestBed.h"
#include "ads/render/precache/DZPrecacheFolder.h"
#include "ads/render/view/DZAdViewDelegate.h"
#include "ads/render/view/DZPrecacheAMSGHandler.h"
#include "ads/render/view/DZVideoPlayerAMSGHandler.h"
#include "platform/audio/AudioDevice.h"
#include "platform/foundation/DiskAllowance.h"
#include "platform/gl/GLContext.h"
#include "platform/media/GstMediaPlayer.h"
#include "platform/media/VideoView.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "support/LoopbackServer.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/PrecacheFile.h"

namespace fs = std::filesystem;
using platform::media::MediaPlayer;
using platform::media::MediaStatus;
using tikoleap::adserver::PrecacheFile;

namespace {

// A platform player that does what it is told at once and has neither volume nor mute, so that
// levels go through the audio mix.
class ScriptedPlayer : public MediaPlayer {
  public:
    void replaceItem(const std::string& url) override { items.push_back(url); }
    void play() override { rate_ = 1; }
    void pause() override { rate_ = 0; }
    void seek(double seconds) override { seeks.push_back(seconds); }
    MediaStatus status() const override { return status_; }
    double rate() const override { return rate_; }
    std::optional<double> duration() const override { return duration_; }
    bool bufferFull() const override { return false; }
    bool likelyToKeepUp() const override { return keepsUp_; }
    double currentTime() const override { return 0; }
    std::vector<platform::media::VideoSize> videoTrackSizes() const override { return sizes_; }
    std::vector<int> audioTrackIDs() const override { return {1, 2}; }
    void setAudioMix(std::optional<std::vector<platform::media::AudioMixInput>> mix) override {
        this->mix = std::move(mix);
        ++mixChanges;
    }

    // Changes as the platform would report them.
    void becomeReady(double duration, std::vector<platform::media::VideoSize> sizes) {
        duration_ = duration;
        sizes_ = std::move(sizes);
        keepsUp_ = true;
        status_ = MediaStatus::ReadyToPlay;
        if (auto o = observer()) o->mediaPlayerItemChanged(*this);
    }
    void fail() {
        status_ = MediaStatus::Failed;
        if (auto o = observer()) o->mediaPlayerStatusChanged(*this);
    }
    void setRate(double rate) {
        rate_ = rate;
        if (auto o = observer()) o->mediaPlayerRateChanged(*this);
    }

    std::vector<std::string> items;
    std::vector<double> seeks;
    std::optional<std::vector<platform::media::AudioMixInput>> mix;
    int mixChanges = 0;

  private:
    MediaStatus status_ = MediaStatus::Unknown;
    double rate_ = 0;
    std::optional<double> duration_;
    bool keepsUp_ = false;
    std::vector<platform::media::VideoSize> sizes_;
};

class VideoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousFactory_ = DZVideoPlayer::setPlayerFactory([this](std::string*) {
            ++playersMade_;
            player_ = std::make_shared<ScriptedPlayer>();
            return player_;
        });
        view_ = DZAdView::create({0, 0, 320, 480});
    }
    void TearDown() override {
        view_.reset();
        bed_.runUntilIdle();
        DZVideoPlayer::setPlayerFactory(previousFactory_);
    }

    void send(const DZNotification::Parameters& parameters) {
        EXPECT_TRUE(handler_.handleNotification(DZNotification::create("video", parameters), view_));
        bed_.runUntilIdle();
    }
    // The "onVideoEvent" messages the page has been sent since the last call.
    std::vector<nlohmann::json> events() {
        std::vector<nlohmann::json> found;
        auto& engine = static_cast<platform::web::FakeWebEngine&>(*view_->engine());
        const std::string head = "ZAZO_ReceiveMessage(\"onVideoEvent\", ";
        while (!engine.pendingScripts().empty()) {
            const std::string script = engine.pendingScripts().front().script;
            engine.completeScript({true, "", ""});
            if (script.rfind(head, 0) == 0)
                found.push_back(
                    nlohmann::json::parse(script.substr(head.size(), script.size() - head.size() - 2)));
        }
        return found;
    }
    static std::vector<std::string> names(const std::vector<nlohmann::json>& events) {
        std::vector<std::string> out;
        for (const auto& e : events) out.push_back(e["event"]);
        return out;
    }

    tikoleap::test::AdViewTestBed bed_;
    DZVideoPlayerAMSGHandler handler_;
    std::shared_ptr<DZAdView> view_;
    std::shared_ptr<ScriptedPlayer> player_;
    int playersMade_ = 0;
    DZVideoPlayer::PlayerFactory previousFactory_;
};

TEST_F(VideoTest, PlacesThePictureUnderThePageAndOverTheWholeViewWithoutAFullRectangle) {
    const auto handlers = DZAdViewDelegate::create()->amsgHandlers();
    EXPECT_TRUE(std::any_of(handlers.begin(), handlers.end(), [](const auto& h) {
        return std::dynamic_pointer_cast<DZVideoPlayerAMSGHandler>(h) != nullptr;
    })) << "every ad page can drive a video";
    send({{"action", "play"}});
    EXPECT_EQ(playersMade_, 0) << "play before any player";
    send({{"action", "new"}, {"x", "0"}, {"y", "120"}, {"w", "320"}, {"h", "240"}});
    ASSERT_EQ(playersMade_, 1);
    ASSERT_TRUE(view_->videoPlayerLayer());
    EXPECT_EQ(view_->subviews().front(), view_->videoPlayerLayer()) << "under the page";
    view_->layoutIfNeeded();
    EXPECT_EQ(view_->videoPlayerLayer()->frame(), platform::Rect(0, 120, 320, 240));

    send({{"action", "position"}, {"x", "10"}, {"y", "20"}, {"w", "30"}});
    view_->layoutIfNeeded();
    EXPECT_EQ(view_->videoPlayerLayer()->frame(), view_->bounds());
    send({{"action", "position"}, {"x", "1"}, {"y", "nan"}, {"w", "30"}, {"h", "40"}});
    view_->layoutIfNeeded();
    EXPECT_EQ(view_->videoPlayerLayer()->frame(), view_->bounds())
        << "a position that is not finite is ignored";

    // A page shown on white: the white lies under the picture, the page stays clear over it.
    auto& page = static_cast<platform::web::FakeWebEngine&>(*view_->engine());
    view_->setPageBackgroundColor(platform::ui::Color::white());
    EXPECT_EQ(page.backgroundColor(), platform::ui::Color::clear());
    EXPECT_EQ(view_->backgroundColor(), platform::ui::Color::white());
    send({{"action", "hide"}});
    EXPECT_TRUE(view_->videoPlayerLayer()->isHidden());
    send({{"action", "show"}});
    EXPECT_FALSE(view_->videoPlayerLayer()->isHidden());
    EXPECT_EQ(page.backgroundColor(), platform::ui::Color::clear());
    send({{"action", "new"}});
    EXPECT_EQ(playersMade_, 1) << "one player for the view's life";
    send({});
    send({{"action", "rewind"}});
    EXPECT_TRUE(events().empty());
}

TEST_F(VideoTest, LevelsGoThroughTheAudioMixOnAPlayerWithoutVolumeOrMute) {
    send({{"action", "src"}, {"src", "http://127.0.0.1:9/a.webm"}});
    ASSERT_TRUE(player_);
    auto video = view_->videoPlayer();

    send({{"action", "volume"}, {"volume", "0.25"}});
    ASSERT_TRUE(player_->mix);
    ASSERT_EQ(player_->mix->size(), 2u);
    EXPECT_EQ((*player_->mix)[1].trackID, 2);
    EXPECT_FLOAT_EQ((*player_->mix)[1].volume, 0.25f);

    send({{"action", "muted"}, {"muted", "true"}});
    EXPECT_FLOAT_EQ((*player_->mix)[0].volume, 0.0f);
    send({{"action", "muted"}, {"muted", "0"}});
    EXPECT_FLOAT_EQ((*player_->mix)[0].volume, 0.25f) << "unmuting restores the stored level";

    const int changes = player_->mixChanges;
    send({{"action", "volume"}, {"volume", "inf"}});
    send({{"action", "volume"}, {"volume", "nan"}});
    EXPECT_EQ(player_->mixChanges, changes);
    EXPECT_FLOAT_EQ(video->volume(), 0.25f);

    send({{"action", "volume"}, {"volume", "1.5"}});
    EXPECT_FLOAT_EQ(video->volume(), 1.0f) << "kept within 0 to 1";
    EXPECT_FALSE(player_->mix) << "full level drops the mix";
    video->setAudioMixVolume(-0.5f);
    EXPECT_FALSE(player_->mix);
}

TEST_F(VideoTest, SeeksToTheTimeTheTextSaysAndIgnoresTimesThatAreNotFinite) {
    send({{"action", "new"}});
    send({{"action", "currentTime"}, {"time", "12.5"}});
    send({{"action", "currentTime"}});
    send({{"action", "currentTime"}, {"time", "-inf"}});
    send({{"action", "currentTime"}, {"time", "NaN"}});
    EXPECT_EQ(player_->seeks, (std::vector<double>{12.5, 0}));
}

TEST_F(VideoTest, TellsThePageOfPlayErrorsAndCanPlayThroughOnlyOnce) {
    send({{"action", "src"}, {"src", "https://127.0.0.1:9/a.webm"}});
    player_->setRate(1);
    player_->setRate(0);
    player_->becomeReady(3, {{320, 240}, {0, 0}});
    send({{"action", "src"}, {"src", "https://127.0.0.1:9/b.webm"}});
    player_->becomeReady(4, {{640, 480}});
    player_->fail();
    bed_.runUntilIdle();
    const auto heard = events();
    EXPECT_EQ(names(heard), (std::vector<std::string>{"play", "pause", "canplaythrough", "error"}));
    EXPECT_EQ(heard[2]["duration"], "3.000000");
    EXPECT_EQ(heard[2]["videoWidth"], 320.0);
    EXPECT_EQ(heard[2]["videoHeight"], 240.0);
    EXPECT_EQ(player_->items,
              (std::vector<std::string>{"https://127.0.0.1:9/a.webm", "https://127.0.0.1:9/b.webm"}));
    EXPECT_EQ(playersMade_, 1);
}

TEST_F(VideoTest, PlaysOnlyWebSourcesAndFilesInsideThePrecacheFolder) {
    const fs::path folder = DZPrecacheFolder::path(true);
    fs::create_directories(folder / "a1");
    std::ofstream(folder / "a1" / "clip.webm") << "x";
    const fs::path outside = bed_.home().home().path() / "secret.webm";
    std::ofstream(outside) << "x";
    fs::create_symlink(outside, folder / "a1" / "link.webm");

    for (const std::string& src : std::vector<std::string>{
             "javascript:alert(1)", "file:///etc/passwd", "ftp://127.0.0.1/a.webm",
             "file://" + (folder / "a1" / "link.webm").string(),
             "file://" + (folder / "a1" / ".." / ".." / "secret.webm").string(), "file://" + folder.string(),
             "file://elsewhere" + (folder / "a1/clip.webm").string()}) {
        SCOPED_TRACE(src);
        send({{"action", "src"}, {"src", src}});
        EXPECT_EQ(names(events()), std::vector<std::string>{"error"});
    }
    send({{"action", "src"}});
    EXPECT_EQ(names(events()), std::vector<std::string>{"error"});
    EXPECT_EQ(playersMade_, 0);

    send({{"action", "src"}, {"src", "file://" + (folder / "a1" / "clip.webm").string()}});
    ASSERT_TRUE(player_);
    EXPECT_EQ(player_->items,
              std::vector<std::string>{"file://" + fs::canonical(folder / "a1" / "clip.webm").string()});

    // Each source costs a pipeline and a download: a page gets a few, then errors.
    for (int i = 0; i < DZPageAllowance::kMaxVideoSources; ++i)
        send({{"action", "src"}, {"src", "https://ads.example/" + std::to_string(i) + ".webm"}});
    EXPECT_EQ(player_->items.size(), static_cast<std::size_t>(DZPageAllowance::kMaxVideoSources));
    EXPECT_EQ(names(events()).back(), "error");
}

// The GStreamer player on the local ad server's videos, silent, with its bus on GLib's context.
class RealVideoTest : public VideoTest {
  protected:
    void SetUp() override {
        previousOutput_ = platform::audio::outputMode();
        platform::audio::setOutputMode(platform::audio::OutputMode::Disabled);
        ASSERT_TRUE(server_.start(0, ""));
        view_ = DZAdView::create({0, 0, 320, 480});
    }
    void TearDown() override {
        VideoTest::TearDown();
        server_.stop();
        platform::audio::setOutputMode(previousOutput_);
    }
    // Turns both loops until done() holds; false after 20 s.
    bool until(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            bed_.runUntilIdle();
            platform::MainContextPump::waitUntil([] { return false; }, 0.005);
            for (auto& e : events()) heard_.push_back(e);
            if (done()) return true;
        }
        return false;
    }
    bool heard(const std::string& name) const {
        return std::any_of(heard_.begin(), heard_.end(), [&](const auto& e) { return e["event"] == name; });
    }

    std::string glError_;
    // Made before the views and released after them, so their textures go with it current.
    std::shared_ptr<platform::GLContext> gl_ = platform::GLContext::createHeadless(&glError_);
    tikoleap::adserver::AdServer server_;
    std::vector<nlohmann::json> heard_;
    platform::audio::OutputMode previousOutput_;
};

TEST_F(RealVideoTest, PlaysTheTestVideosThroughToTheirEnd) {
    for (const char* name : {"green.webm", "green.ogv"}) {
        SCOPED_TRACE(name);
        heard_.clear();
        view_ = DZAdView::create({0, 0, 320, 480});
        send({{"action", "new"}, {"x", "0"}, {"y", "120"}, {"w", "320"}, {"h", "240"}});
        send({{"action", "src"}, {"src", server_.baseURL() + "video/" + name}});
        ASSERT_TRUE(until([&] { return heard("canplaythrough") || heard("error"); }));
        const auto found = std::find_if(heard_.begin(), heard_.end(),
                                        [](const auto& e) { return e["event"] == "canplaythrough"; });
        ASSERT_NE(found, heard_.end()) << "the video failed to load";
        const auto ready = *found;
        EXPECT_EQ(ready["videoWidth"], 320.0);
        EXPECT_EQ(ready["videoHeight"], 240.0);
        // Over the network, the Ogg demuxer estimates the length before it has read the end
        // (sometimes short); the WebM one knows it.
        const double duration = std::stod(ready["duration"].get<std::string>());
        if (std::string(name).ends_with(".webm")) {
            EXPECT_NEAR(duration, 3.0, 0.1) << ready.dump();
        } else {
            EXPECT_GT(duration, 0.0) << ready.dump();
        }

        // The picture is the video's green, whole.
        platform::media::VideoFrame frame;
        ASSERT_TRUE(until([&] { return view_->videoPlayer()->player()->latestFrame(frame); }));
        ASSERT_EQ(frame.width, 320);
        ASSERT_EQ(frame.height, 240);
        const auto* middle = &frame.rgba[(120 * 320 + 160) * 4];
        EXPECT_LT(middle[0], 40);
        EXPECT_GT(middle[1], 200);
        EXPECT_LT(middle[2], 40);

        // And so is the window under the clear page, in the video's place only.
        ASSERT_TRUE(gl_) << glError_;
        {
            auto window = std::make_shared<platform::ui::Window>();
            window->setRunLoop(&bed_.home().loop());
            window->setBackgroundColor(platform::ui::Color::black());
            window->addSubview(view_);
            platform::ui::WindowRenderer renderer(gl_);
            ASSERT_TRUE(renderer.render(*window));
            int w = 0;
            int h = 0;
            const auto pixels = renderer.readPixels(w, h);
            ASSERT_EQ(w, 320);
            const auto at = [&](int x, int y) { return &pixels[(static_cast<std::size_t>(y) * w + x) * 4]; };
            EXPECT_GT(at(160, 240)[1], 200);
            EXPECT_LT(at(160, 240)[0], 40);
            EXPECT_LT(at(160, 60)[1], 40);
            view_->removeFromSuperview();
        }

        send({{"action", "play"}});
        ASSERT_TRUE(until([&] { return heard("ended") || heard("error"); }));
        EXPECT_TRUE(heard("play"));
        EXPECT_TRUE(heard("timeupdate"));
        EXPECT_TRUE(heard("ended"));
        EXPECT_FALSE(heard("error"));
    }
}

TEST_F(RealVideoTest, ReportsAnErrorForAPageThatIsNoVideoAndTakesSourcesAgainAndAgain) {
    send({{"action", "src"}, {"src", server_.baseURL() + "landing"}});
    ASSERT_TRUE(until([&] { return heard("error") || heard("canplaythrough"); }));
    EXPECT_TRUE(heard("error"));
    EXPECT_FALSE(heard("canplaythrough"));

    // Sources sent faster than they load: only the last one is heard of.
    for (int i = 0; i < 10; ++i) {
        send({{"action", "src"}, {"src", server_.baseURL() + (i % 2 ? "landing" : "video/green.ogv")}});
    }
    heard_.clear();
    send({{"action", "src"}, {"src", server_.baseURL() + "video/green.webm"}});
    ASSERT_TRUE(until([&] { return heard("canplaythrough") || heard("error"); }));
    EXPECT_TRUE(heard("canplaythrough"));
    EXPECT_FALSE(heard("error"));
}

TEST_F(RealVideoTest, TheVideosDownloadAndThePrecacheShareWhatTheAdMayKeepOnDisk) {
    // Room for the precached file and a little more, not for the video besides.
    auto allowance = std::make_shared<platform::DiskAllowance>(PrecacheFile::kBytes + 4096);
    view_->setDiskAllowance(allowance);
    DZPrecacheAMSGHandler precache;
    std::vector<std::string> precached;
    precache.setEventSink([&](const nlohmann::json& info) { precached.push_back(info["event"]); });
    const auto precacheSays = [&](const char* event) {
        return std::find(precached.begin(), precached.end(), event) != precached.end();
    };
    ASSERT_TRUE(precache.handleNotification(
        DZNotification::create("precache",
                               {{"src", server_.baseURL() + (PrecacheFile::kWithLengthPath + 1)}}),
        view_));
    ASSERT_TRUE(until([&] { return precacheSays("precacheComplete"); }));
    EXPECT_EQ(allowance->used(), static_cast<std::int64_t>(PrecacheFile::kBytes));

    // The video's download stops where it passes the allowance, the page hears why, and the bytes
    // it had come back.
    send({{"action", "src"}, {"src", server_.baseURL() + "video/green.webm"}});
    ASSERT_TRUE(until([&] { return heard("error") || heard("canplaythrough"); }));
    EXPECT_TRUE(heard("error"));
    EXPECT_FALSE(heard("canplaythrough"));
    EXPECT_TRUE(until([&] { return allowance->used() == static_cast<std::int64_t>(PrecacheFile::kBytes); }));

    // Once the precached file is gone, the video has its room, and is charged for it.
    ASSERT_TRUE(precache.handleNotification(DZNotification::create("precache", {{"abort", "1"}}), view_));
    ASSERT_TRUE(until([&] { return precacheSays("precacheCanceled") && allowance->used() == 0; }));
    heard_.clear();
    send({{"action", "src"}, {"src", server_.baseURL() + "video/green.webm"}});
    ASSERT_TRUE(until([&] { return heard("error") || heard("canplaythrough"); }));
    EXPECT_TRUE(heard("canplaythrough"));
    EXPECT_GT(allowance->used(), 0);
}

TEST_F(RealVideoTest, APlayerNoAdViewGaveAnAllowanceKeepsItsDownloadWithinItsOwn) {
    // The test video followed by four times what a player keeps on its own, as fast as loopback goes.
    httplib::Client client("127.0.0.1", server_.port());
    const auto green = client.Get("/video/green.webm");
    ASSERT_TRUE(green && green->status == 200);
    const std::string head = green->body;
    constexpr std::size_t total = 4 * static_cast<std::size_t>(MediaPlayer::kDefaultDiskBytes);
    auto sent = std::make_shared<std::atomic<std::size_t>>(0);
    tikoleap::test::LoopbackServer big;
    big.get("/big.webm", [&head, sent](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            total, "video/webm",
            [&head, sent](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                static const std::string zeros(1 << 20, '\0');
                const bool inHead = offset < head.size();
                const char* data = inHead ? head.data() + offset : zeros.data();
                const std::size_t n = std::min(length, inHead ? head.size() - offset : zeros.size());
                if (!sink.write(data, n)) return false;
                *sent += n;
                return true;
            });
    });

    std::string error;
    auto player = platform::media::GstMediaPlayer::create(&error);
    ASSERT_TRUE(player) << error;
    player->replaceItem(big.url("/big.webm"));
    player->play();
    ASSERT_TRUE(until([&] { return player->status() == MediaStatus::Failed; }));
    // Whatever the download had left to send stays unsent.
    const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    until([&] { return std::chrono::steady_clock::now() > settle; });
    EXPECT_LT(sent->load(), 2 * static_cast<std::size_t>(MediaPlayer::kDefaultDiskBytes));
    player.reset();
    big.stop();
}

}  // namespace
