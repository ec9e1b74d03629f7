// Video and sound in pages on the real engine: a video opened as the page and a page's own video
// load from the server and play, in a full-screen view and a banner's, and the snapshots show the
// pictures moving. The video is made at test time from GStreamer's moving test picture.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "WebTestKit.h"
#include "support/TempDir.h"
#include "support/TestVideo.h"

using namespace platform::web;
using webtest::evaluate;
using webtest::runUntil;

namespace {

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
