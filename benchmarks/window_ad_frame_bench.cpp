// The window's frame with a full-screen ad page shown over the game: Level Normal in play on a
// headless llvmpipe context, and a 320 x 480 ad view showing the local ad server's house banner
// page on the window's presented layer, as an interstitial lies. Needs an X display for the web
// engine (run under scripts/with-display); without one it reports an error and skips.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ads/render/view/DZAdView.h"
#include "app/MyAppCore.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTRandom.h"
#include "benchmarks/BenchWebHost.h"
#include "platform/audio/AudioDevice.h"
#include "platform/foundation/AppPaths.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "platform/web/WebKitHost.h"
#include "shell/MyGameView.h"
#include "tools/adserver/AdServer.h"

namespace fs = std::filesystem;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The running host as another benchmark left it, else one started on a GLib loop of our own;
// null without a display.
platform::web::WebKitHost* webHost(std::string& error) {
    static auto* loop = new platform::GLibRunLoop();
    error = makeGLContextBeforeTheEngine();
    if (!error.empty()) return nullptr;
    if (platform::web::WebKitHost* running = platform::web::WebKitHost::current()) return running;
    try {
        return &platform::web::WebKitHost::start(*loop, platform::web::WebLimits{});
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

struct Loaded : DZAdViewDelegateProtocol {
    int finished = 0;
    void adViewDidFinishLoad(DZAdView&) override { ++finished; }
};

// One window frame as the window's loop draws it: the game's frame, then the window laid out,
// drawn and presented, read back with glFinish so the rasteriser counts. Pairs alternate the ad
// view shown and hidden, so both figures meet the same load on the shared machine.
void BM_WindowFrameWithAdPage(benchmark::State& state) {
    std::string error;
    if (!webHost(error)) return state.SkipWithError(error.c_str());
    const fs::path home = fs::temp_directory_path() / "tikoleap-bench-window-ad";
    platform::AppPaths::setHome(home);
    const platform::audio::OutputMode previousOutput = platform::audio::outputMode();
    platform::audio::setOutputMode(platform::audio::OutputMode::Disabled);
    auto loop = std::make_shared<platform::ManualRunLoop>();
    auto previousLoop = platform::RunLoop::setMain(loop);
    auto previousFactory = DZAdView::setEngineFactory([](int w, int h, std::string*) {
        std::string unused;
        platform::web::WebKitHost* started = webHost(unused);
        return started ? started->createView(w, h) : nullptr;
    });
    auto previousCache = DZAdView::setWebViewCache(nullptr);
    tikoleap::adserver::AdServer server;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) {
        state.SkipWithError(error.c_str());
    } else if (!server.start(0, "", &error)) {
        state.SkipWithError(("the local ad server did not start: " + error).c_str());
    } else {
        gl->makeCurrent();
        JTAppBase::JTRandom::current().seed(1234);
        auto core = std::make_unique<MyAppCore>(TIKOLEAP_RESOURCES_DIR, gl);
        core->init();
        core->appContext()->getLevelManager()->reloadLevels();
        core->setCurrentLevelId(20);
        core->startGameView();
        auto renderer = std::make_unique<platform::ui::WindowRenderer>(gl);
        loop->advance(3.0);  // past the intro
        {
            auto adView = DZAdView::create({0, 0, 320, 480});
            auto loaded = std::make_shared<Loaded>();
            adView->setDelegate(loaded);
            adView->loadRequest(
                {"http://127.0.0.1:" + std::to_string(server.port()) + "/creative/house-banner", {}});
            // The engine runs on the GLib loop, the ad view's own work on the game's loop.
            const gint64 end = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
            while (g_get_monotonic_time() < end && loaded->finished == 0) {
                g_main_context_iteration(nullptr, FALSE);
                loop->runUntilIdle();
            }
            const gint64 settle = g_get_monotonic_time() + G_USEC_PER_SEC / 5;
            while (g_get_monotonic_time() < settle) {  // let the page's first frame be drawn
                g_main_context_iteration(nullptr, FALSE);
                loop->runUntilIdle();
            }
            if (!adView->engine() || loaded->finished == 0) {
                state.SkipWithError("the ad page did not load");
            } else {
                adView->setHidden(false);
                core->window()->addPresentedView(adView);
                using Clock = std::chrono::steady_clock;
                auto ms = [](Clock::time_point a, Clock::time_point b) {
                    return std::chrono::duration<double, std::milli>(b - a).count();
                };
                // The whole frame, and its part from the game's draw call's return (the window's
                // drawing; the rasteriser may still be finishing the game's frame, as no sync
                // point stands between them in the window's loop). The page stands still, so its
                // picture is taken once: a frame draws the texture already uploaded.
                auto frame = [&](std::vector<double>& whole, std::vector<double>& window) {
                    const auto start = Clock::now();
                    core->gameView()->draw();
                    const auto drawn = Clock::now();
                    renderer->render(*core->window());
                    glFinish();
                    const auto end = Clock::now();
                    whole.push_back(ms(start, end));
                    window.push_back(ms(drawn, end));
                };
                for (auto _ : state) {
                    std::vector<double> alone, aloneWindow, withAd, withAdWindow;
                    for (int i = 0; i < 200 && core->gameView()->active(); ++i) {
                        loop->advance(0.010);
                        g_main_context_iteration(nullptr, FALSE);
                        adView->setHidden(true);
                        frame(alone, aloneWindow);
                        adView->setHidden(false);
                        frame(withAd, withAdWindow);
                    }
                    state.counters["game_alone_ms"] = median(alone);
                    state.counters["game_alone_window_part_ms"] = median(aloneWindow);
                    state.counters["with_ad_page_ms"] = median(withAd);
                    state.counters["with_ad_page_window_part_ms"] = median(withAdWindow);
                    state.counters["pairs"] = static_cast<double>(withAd.size());
                    if (withAd.empty()) {
                        state.SkipWithError("the game was not in play: no frame was drawn");
                        break;
                    }
                }
                core->window()->removePresentedView(adView.get());
            }
            adView->setDelegate({});
        }
        renderer.reset();
        core.reset();
    }
    DZAdView::setWebViewCache(previousCache);
    DZAdView::setEngineFactory(previousFactory);
    platform::RunLoop::setMain(previousLoop);
    platform::audio::setOutputMode(previousOutput);
    platform::AppPaths::setHome({});
    std::error_code ec;
    fs::remove_all(home, ec);
}
BENCHMARK(BM_WindowFrameWithAdPage)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
