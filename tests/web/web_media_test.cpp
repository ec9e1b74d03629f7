// Video and sound in pages on the real engine: a video opened as the page and a page's own video
// load from the server and play, in a full-screen view and a banner's, and the snapshots show the
// pictures moving; a page nobody sees plays nothing, and no page is a media player of the desktop's
// bus. The video is made at test time from GStreamer's moving test picture.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "WebTestKit.h"
#include "platform/gl/GLContext.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebKitEngine.h"
#include "support/TempDir.h"
#include "support/TestVideo.h"

using namespace platform::web;
using webtest::evaluate;
using webtest::runUntil;

namespace {

// A page whose sound and muted video start by themselves, and whose script plays what the
// window's listeners never see: a sound outside the document, one in a closed shadow root that
// starts by itself, one played with the player of a frame of the page's own making, one played
// again each time it pauses, a WebAudio tone (`played` says how the first play's promise came
// out) and words spoken (`spoken` says whether they started).
const char* kAutoplayPage = R"(<html><body style='margin:0;background:#fff'>
<video autoplay muted loop playsinline src='ball.webm' style='width:160px;height:120px'></video>
<audio autoplay src='tone.wav'></audio><div></div><script>
var outside = new Audio('tone.wav'), played = 'waiting';
outside.play().then(function () { played = 'yes'; }, function (e) { played = String(e); });
var root = document.querySelector('div').attachShadow({mode: 'closed'});
root.innerHTML = "<audio autoplay src='tone.wav'></audio>";
var frame = document.body.appendChild(document.createElement('iframe'));
var borrowed = new Audio('tone.wav');
frame.contentWindow.HTMLMediaElement.prototype.play.call(borrowed);
var again = document.body.appendChild(new Audio('tone.wav'));
again.onpause = function () { again.play(); };
again.play();
var context = new AudioContext();
var tone = context.createOscillator();
tone.connect(context.destination);
tone.start();
var words = new SpeechSynthesisUtterance('nobody hears this'), spoken = 'no';
words.onstart = function () { spoken = 'yes'; };
speechSynthesis.speak(words);
// Plays a sound with the player of a frame already removed, and one after asking the player to
// play what is none.
var late = new Audio('tone.wav'), after = new Audio('tone.wav');
function playLate() {
  var gone = document.body.appendChild(document.createElement('iframe'));
  var play = gone.contentWindow.HTMLMediaElement.prototype.play;
  gone.remove();
  play.call(late);
  HTMLMediaElement.prototype.play.call(document.body);
  after.play();
}
function media() {
  return Array.from(document.querySelectorAll('audio, video')).concat([outside, root.firstChild, borrowed]);
}
</script></body></html>)";

// 20 s of a tone, as a WAV file of 8-bit samples at 8 kHz.
std::string toneWav() {
    const std::uint32_t n = 8000 * 20;
    std::string wav;
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) wav += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    wav += "RIFF";
    put(36 + n, 4);
    wav += "WAVEfmt ";
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // one channel
    put(8000, 4);
    put(8000, 4);
    put(1, 2);
    put(8, 2);
    wav += "data";
    put(n, 4);
    for (std::uint32_t i = 0; i < n; ++i) wav += static_cast<char>(128 + std::lround(60 * std::sin(i / 4.0)));
    return wav;
}

// Each media element of the page as "paused currentTime", the audio first.
const char* kMediaState =
    "Array.from(document.querySelectorAll('audio, video')).map(function (m) {"
    "  return m.paused + ' ' + m.currentTime + ' ' + m.readyState; }).join(',')";
// The same of all the autoplay page plays, its WebAudio context last.
const char* kAllMediaState =
    "media().map(function (m) { return m.paused + ' ' + m.currentTime + ' ' + m.readyState; })"
    ".concat([(context.state != 'running') + ' ' + context.currentTime]).join(',')";
constexpr int kAllMedia = 7;

class WebMedia : public webtest::ViewTest {
  protected:
    WebMedia() : ViewTest(320, 480) {}
    void SetUp() override {
        const std::string path = dir_.file("ball.webm").string();
        // 160 x 120, 5 s: a ball moving over black.
        ASSERT_TRUE(tikoleap::test::encodeTestVideo(path, "ball", 160, 120, 30, 150));
        std::ifstream file(path, std::ios::binary);
        webtest::page("/ball.webm", {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()},
                      "video/webm");
        webtest::page("/tone.wav", toneWav(), "audio/wav");
        ViewTest::SetUp();
    }

    // The video's state, "readyState currentTime", once it has data for the current picture and
    // has played past `seconds`; what it is otherwise, for the failure's message.
    bool playsPast(double seconds, std::string& state) {
        const std::string script =
            "(function(){var v = document.querySelector('video'); if (!v) return 'none';"
            "return v.readyState + ' ' + v.currentTime + ' ' + v.networkState;})()";
        return until([&] {
            state = evaluate(*engine, script).value;
            const auto space = state.find(' ');
            return space != std::string::npos && std::stoi(state) >= 2 &&
                   std::stod(state.substr(space + 1)) > seconds;
        });
    }

    // The snapshot's pixels in the rectangle (in points) of the page's video, as the page lays it out.
    std::string videoPixels() {
        const std::string box =
            evaluate(*engine,
                     "(function(){var r = document.querySelector('video').getBoundingClientRect();"
                     "return [r.left, r.top, r.width, r.height].map(Math.round).join(' ');})()")
                .value;
        int x = 0, y = 0, w = 0, h = 0;
        if (std::sscanf(box.c_str(), "%d %d %d %d", &x, &y, &w, &h) != 4 || w <= 0 || h <= 0) return {};
        const platform::Image shot = engine->snapshot();
        std::string pixels;
        // The upper part alone: the engine's own controls lie over the bottom of the picture.
        for (int row = std::max(y, 0); row < std::min(y + h / 2, shot.height); ++row) {
            for (int col = std::max(x, 0); col < std::min(x + w, shot.width); ++col) {
                const auto* p = &shot.pixels[(static_cast<std::size_t>(row) * shot.width + col) * 4];
                pixels.append(reinterpret_cast<const char*>(p), 4);
            }
        }
        return pixels;
    }

    // The video's picture changes on the snapshot: two taken apart differ where the video lies.
    bool pictureMoves() {
        const std::string first = videoPixels();
        return !first.empty() && until([&] {
            const std::string now = videoPixels();
            return !now.empty() && now != first;
        });
    }

    // Asks again and again, the loop running between, until `holds` does or 10 s have passed
    // (each question runs the loop itself, so this is no runUntil).
    static bool until(const std::function<bool()>& holds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!holds()) {
            if (std::chrono::steady_clock::now() >= end) return false;
            webtest::runFor(0.05);
        }
        return true;
    }

    tikoleap::test::TempDir dir_{"web-media"};
};

}  // namespace

TEST_F(WebMedia, AVideoOpenedAsThePageLoadsPlaysAndMoves) {
    // As the in-app browser opens an ad's video: the address of the file itself.
    engine->loadRequest({server.url("/ball.webm"), {}});
    ASSERT_TRUE(runUntil([&] { return recorder.finished + static_cast<int>(recorder.failures.size()) > 0; }));
    webtest::runFor(0.3);
    EXPECT_EQ(recorder.finished, 1);
    EXPECT_TRUE(recorder.failures.empty());
    std::string state;
    EXPECT_TRUE(playsPast(0.5, state)) << "readyState currentTime networkState: " << state;
    // The player asked for the file itself, beyond the page's own request.
    EXPECT_GE(server.count("/ball.webm"), 2u);
    EXPECT_TRUE(pictureMoves());
}

TEST_F(WebMedia, APagesOwnVideoPlaysInAFullScreenViewAndInABannersView) {
    const std::string page =
        "<html><body style='margin:0;background:#fff'>"
        "<video autoplay muted loop playsinline src='ball.webm' style='width:160px;height:120px'></video>"
        "</body></html>";
    for (const auto& [width, height] : {std::pair{320, 480}, std::pair{320, 50}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        engine->setSize(width, height);
        load(page, server.url("/"));
        std::string state;
        EXPECT_TRUE(playsPast(0.5, state)) << "readyState currentTime networkState: " << state;
        EXPECT_TRUE(pictureMoves());
    }
}

TEST_F(WebMedia, APageNobodySeesPlaysNothingUntilShownAndPausesWhenHiddenOrCovered) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    ASSERT_TRUE(gl) << error;
    auto window = std::make_shared<platform::ui::Window>();
    auto renderer = std::make_unique<platform::ui::WindowRenderer>(gl, 1.0f);
    // A view hidden before it has loaded anything starts no web process yet: one started ahead of
    // the load leaves the view's window waiting for it as it draws.
    const int processes = webtest::webProcessCount();
    auto view = std::make_shared<WebContentView>(engine);
    EXPECT_FALSE(runUntil([&] { return webtest::webProcessCount() > processes; }, 1));
    view->setFrame({{0, 0}, {320, 480}});
    const auto* webKit = dynamic_cast<WebKitEngine*>(engine.get());
    ASSERT_NE(webKit, nullptr);
    // Each element has had time to start, as it would have where shown; the sums of their
    // times and how many play.
    const auto times = [&] {
        double sum = 0;
        int playing = 0;
        std::string state = evaluate(*engine, kAllMediaState).value;
        for (std::size_t at = 0; at < state.size();) {
            const std::size_t end = std::min(state.find(',', at), state.size());
            const std::string one = state.substr(at, end - at);
            playing += one.rfind("false", 0) == 0;
            sum += std::stod(one.substr(one.find(' ') + 1));  // up to the ready state
            at = end + 1;
        }
        return std::pair{sum, playing};
    };
    const std::string ready =
        "[document.querySelector('video'), document.querySelector('audio')].every(function (m) {"
        "  return m.readyState >= 3; })";

    // Preloaded, in no window: nothing plays, the view is muted.
    load(kAutoplayPage, server.url("/"));
    ASSERT_TRUE(webtest::waitForValue(*engine, ready, "true", 10));
    webtest::runFor(1);
    // (Each is paused as it starts: a moment of it may have passed.)
    EXPECT_EQ(times().second, 0) << evaluate(*engine, kAllMediaState).value;
    EXPECT_LT(times().first, 0.25) << evaluate(*engine, kAllMediaState).value;
    EXPECT_TRUE(webkit_web_view_get_is_muted(webKit->webView()));
    EXPECT_EQ(evaluate(*engine, "played").value, "waiting");
    EXPECT_EQ(evaluate(*engine, "spoken").value, "no");

    // In the window, not yet drawn, then drawn: all play, and the sound is on.
    window->addSubview(view);
    webtest::runFor(0.5);
    EXPECT_EQ(times().second, 0);
    ASSERT_TRUE(renderer->render(*window));
    ASSERT_TRUE(until([&] { return times().second == kAllMedia && times().first > 1; }))
        << evaluate(*engine, kAllMediaState).value;
    EXPECT_FALSE(webkit_web_view_get_is_muted(webKit->webView()));
    EXPECT_EQ(evaluate(*engine, "played").value, "yes");
    EXPECT_TRUE(webtest::waitForValue(*engine, "spoken", "yes", 10));
    // What plays by a removed frame's player, or after a play of what is no player, stops as the
    // page hides all the same.
    evaluate(*engine, "playLate()");
    view->setHidden(true);
    renderer->render(*window);
    EXPECT_TRUE(webtest::waitForValue(*engine, "late.paused && after.paused", "true", 10))
        << evaluate(*engine, "late.paused + ' ' + after.paused").value;
    view->setHidden(false);
    renderer->render(*window);
    ASSERT_TRUE(until([&] { return times().second == kAllMedia; }))
        << evaluate(*engine, kAllMediaState).value;

    // Under an opaque view, hidden, and out of the window: it all stops where it was, and plays
    // on once drawn again (what went wrong, if anything, and the state of it all there).
    const auto stops = [&](const std::function<void()>& hide, const std::function<void()>& show) {
        const auto state = [&](const char* what) { return what + evaluate(*engine, kAllMediaState).value; };
        hide();
        renderer->render(*window);
        if (!until([&] { return times().second == 0; })) return state("plays on: ");
        // (A paused element may tell the time it stopped at a moment late.)
        webtest::runFor(0.3);
        const double at = times().first;
        webtest::runFor(0.5);
        if (times().first != at || !webkit_web_view_get_is_muted(webKit->webView()))
            return state("heard or moving: ");
        show();
        renderer->render(*window);
        if (!until([&] { return times().second == kAllMedia && times().first > at + 0.5; }))
            return state("held: ");
        return std::string();
    };
    auto cover = std::make_shared<platform::ui::View>(platform::Rect{{0, 0}, {320, 480}});
    cover->setBackgroundColor(platform::ui::Color::black());
    EXPECT_EQ(stops([&] { window->addSubview(cover); }, [&] { cover->removeFromSuperview(); }), "")
        << "covered";
    EXPECT_EQ(stops([&] { view->setHidden(true); }, [&] { view->setHidden(false); }), "") << "hidden";
    EXPECT_EQ(stops([&] { view->removeFromSuperview(); }, [&] { window->addSubview(view); }), "")
        << "removed";
    // The view's texture goes while its GL context is still there.
    window.reset();
    view.reset();
}

namespace {

// A session bus of the test's own, the web processes' before the engine starts.
class WebMediaKeys : public webtest::ViewTest {
  protected:
    WebMediaKeys() : ViewTest(320, 480) {}

    static void SetUpTestSuite() {
        ASSERT_EQ(WebKitHost::current(), nullptr) << "the suite must run in a process of its own";
        const char* argv[] = {"dbus-daemon", "--session",       "--nofork",
                              "--nopidfile", "--print-address", nullptr};
        gint out = -1;
        GError* error = nullptr;
        ASSERT_TRUE(g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH,
                                             nullptr, nullptr, &daemon(), nullptr, &out, nullptr, &error))
            << (error ? error->message : "");
        std::string address;
        pollfd wait{out, POLLIN, 0};
        char c = 0;
        while (poll(&wait, 1, 10000) == 1 && read(out, &c, 1) == 1 && c != '\n') address += c;
        close(out);
        ASSERT_FALSE(address.empty());
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        // The engine's sandbox reaches the bus through a proxy whose socket it keeps there.
        setenv("XDG_RUNTIME_DIR", runtime().path().c_str(), 1);
        bus() = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        ASSERT_NE(bus(), nullptr);
    }
    static void TearDownTestSuite() {
        if (bus()) g_object_unref(bus());
        if (daemon() > 0) kill(daemon(), SIGTERM);
    }
    static GPid& daemon() {
        static GPid pid = 0;
        return pid;
    }
    static GDBusConnection*& bus() {
        static GDBusConnection* connection = nullptr;
        return connection;
    }
    static tikoleap::test::TempDir& runtime() {
        static tikoleap::test::TempDir dir{"web-media-run"};
        return dir;
    }
    // The names on the bus that belong to media players.
    static std::vector<std::string> players() {
        std::vector<std::string> found;
        GVariant* names = g_dbus_connection_call_sync(
            bus(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ListNames",
            nullptr, G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        if (!names) return {"(the bus did not answer)"};
        GVariantIter* it = nullptr;
        const gchar* name = nullptr;
        g_variant_get(names, "(as)", &it);
        while (g_variant_iter_loop(it, "&s", &name)) {
            if (g_str_has_prefix(name, "org.mpris.MediaPlayer2")) found.emplace_back(name);
        }
        g_variant_iter_free(it);
        g_variant_unref(names);
        return found;
    }
};

}  // namespace

TEST_F(WebMediaKeys, APagePlayingSoundIsNoMediaPlayerOnTheBus) {
    webtest::page("/tone.wav", toneWav(), "audio/wav");
    load("<audio autoplay src='tone.wav'></audio>", server.url("/"));
    // The sound plays, with no touch, a second and more.
    const auto audioTime = [&] {
        const std::string t = evaluate(*engine, "String(document.querySelector('audio').currentTime)").value;
        return t.empty() ? 0.0 : std::stod(t);
    };
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (audioTime() < 1.5 && std::chrono::steady_clock::now() < end) webtest::runFor(0.1);
    ASSERT_GT(audioTime(), 1.5) << evaluate(*engine, kMediaState).value;
    EXPECT_EQ(players(), std::vector<std::string>{});
}
