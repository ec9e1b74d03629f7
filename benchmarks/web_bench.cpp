// Cost of web views on the real engine: a page's snapshot uploaded as a texture (banner and
// full page, the banner at the window's scale of 1.5, and a live ad view's banner), a script's
// round trip, loadHTML to "finished", the memory views take, and a page loaded in a headless
// game run. Needs an X display (run under scripts/with-display); without one these report an
// error and skip.
#include <benchmark/benchmark.h>
#include <glib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "ads/render/view/DZAdView.h"
#include "app/HeadlessRun.h"
#include "benchmarks/BenchHome.h"
#include "benchmarks/BenchWebHost.h"
#include "benchmarks/WebProcesses.h"
#include "platform/gl/FramebufferTexture.h"
#include "platform/gl/GLContext.h"
#include "platform/web/WebKitHost.h"
#include "platform/web/WebViews.h"
#include "tools/adserver/AdServer.h"

using namespace platform::web;

namespace {

struct Finish : WebEngineDelegate {
    int finished = 0;
    void loadFinished() override { ++finished; }
};

std::string pageOfSize(int w, int h) {
    return "<html><body style='margin:0;background:linear-gradient(#f80,#08f)'><div style='width:" +
           std::to_string(w) + "px;height:" + std::to_string(h) +
           "px;font:20px sans-serif'>Tiko Leap: jump higher!</div></body></html>";
}

std::unique_ptr<WebEngine> loadedView(benchmark::State& state, int w, int h, Finish& finish) {
    std::string error;
    WebKitHost* h0 = benchWebHost(error);
    if (!h0) {
        state.SkipWithError(error.c_str());
        return nullptr;
    }
    auto view = h0->createView(w, h);
    view->setDelegate(&finish);
    view->loadHTML(pageOfSize(w, h), "http://127.0.0.1/");
    if (!spinMainContext([&] { return finish.finished > 0; })) {
        state.SkipWithError("the page did not load");
        return nullptr;
    }
    spinMainContext([] { return false; }, 0.2);  // let the first frame be drawn
    return view;
}

// Whether a snapshot had pixels and went into the texture: an empty one measures nothing.
bool uploaded(platform::gl::FramebufferTexture& texture, const platform::Image& page) {
    if (page.pixels.empty() || page.width <= 0 || page.height <= 0) return false;
    return texture.upload(page.pixels.data(), page.width, page.height);
}

// Arguments: width and height in points, scale in tenths.
void BM_WebSnapshotUpload(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Finish finish;
    auto view = loadedView(state, w, h, finish);
    if (!view) return;
    view->setScale(static_cast<double>(state.range(2)) / 10.0);
    spinMainContext([] { return false; }, 0.2);  // let the page be drawn at its scale
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) return state.SkipWithError(error.c_str());
    gl->makeCurrent();
    platform::gl::FramebufferTexture texture(GL_RGBA);
    int empty = 0;
    for (auto _ : state) {
        const platform::Image page = view->snapshot();
        empty += !uploaded(texture, page);
        glFinish();
    }
    view->setDelegate(nullptr);
    if (empty) state.SkipWithError((std::to_string(empty) + " snapshots were empty or not uploaded").c_str());
}
BENCHMARK(BM_WebSnapshotUpload)
    ->Args({320, 50, 10})
    ->Args({320, 480, 10})
    ->Args({320, 50, 15})
    ->Unit(benchmark::kMillisecond);

// The same for an ad view (its engine from the host above) showing the house banner: what a
// banner on screen costs each frame.
void BM_AdViewSnapshotUpload(benchmark::State& state) {
    struct Loaded : DZAdViewDelegateProtocol {
        int finished = 0;
        void adViewDidFinishLoad(DZAdView&) override { ++finished; }
    };
    std::string error;
    if (!benchWebHost(error)) return state.SkipWithError(error.c_str());
    auto previousFactory = DZAdView::setEngineFactory([](int w, int h, std::string*) {
        std::string unused;
        WebKitHost* started = benchWebHost(unused);
        return started ? started->createView(w, h) : nullptr;
    });
    auto previousCache = DZAdView::setWebViewCache(nullptr);
    {
        auto adView = DZAdView::create({0, 0, 320, 50});
        auto loaded = std::make_shared<Loaded>();
        adView->setDelegate(loaded);
        adView->loadHTMLString(tikoleap::adserver::AdServer::houseBannerHTML("/landing"),
                               "http://127.0.0.1/");
        std::string gles;
        auto gl = platform::GLContext::createHeadless(&gles);
        if (!adView->engine() || !spinMainContext([&] { return loaded->finished > 0; })) {
            state.SkipWithError("the banner did not load");
        } else if (!gl) {
            state.SkipWithError(gles.c_str());
        } else {
            spinMainContext([] { return false; }, 0.2);  // let the first frame be drawn
            gl->makeCurrent();
            platform::gl::FramebufferTexture texture(GL_RGBA);
            int empty = 0;
            for (auto _ : state) {
                const platform::Image page = adView->engine()->snapshot();
                empty += !uploaded(texture, page);
                glFinish();
            }
            if (empty)
                state.SkipWithError(
                    (std::to_string(empty) + " snapshots were empty or not uploaded").c_str());
        }
        adView->setDelegate({});
    }
    DZAdView::setWebViewCache(previousCache);
    DZAdView::setEngineFactory(previousFactory);
}
BENCHMARK(BM_AdViewSnapshotUpload)->Unit(benchmark::kMillisecond);

void BM_WebScriptRoundTrip(benchmark::State& state) {
    Finish finish;
    auto view = loadedView(state, 320, 50, finish);
    if (!view) return;
    for (auto _ : state) {
        bool done = false, answered = false;
        view->evaluateScript("document.body.childElementCount", [&](const ScriptResult& result) {
            done = true;
            answered = result.ok && result.value == "1";
        });
        if (!spinMainContext([&] { return done; }) || !answered) {
            state.SkipWithError("the script gave no answer");
            break;
        }
    }
    view->setDelegate(nullptr);
}
BENCHMARK(BM_WebScriptRoundTrip)->Unit(benchmark::kMillisecond);

void BM_WebLoadHTMLToFinished(benchmark::State& state) {
    Finish finish;
    auto view = loadedView(state, 320, 50, finish);
    if (!view) return;
    int n = 0;
    for (auto _ : state) {
        const int before = finish.finished;
        view->loadHTML(pageOfSize(320, 50 + (n++ % 7)), "http://127.0.0.1/");
        if (!spinMainContext([&] { return finish.finished > before; })) {
            state.SkipWithError("the page did not finish loading");
            break;
        }
    }
    view->setDelegate(nullptr);
}
BENCHMARK(BM_WebLoadHTMLToFinished)->Unit(benchmark::kMillisecond);

// Proportional memory (kB) of this process's web processes (its children, or grandchildren
// inside the engine's sandbox), and how many there are.
long webProcessPssKB(int& processes) {
    long total = 0;
    processes = 0;
    for (long pid : webProcesses()) {
        ++processes;
        std::ifstream smaps("/proc/" + std::to_string(pid) + "/smaps_rollup");
        std::string line;
        while (std::getline(smaps, line)) {
            if (line.rfind("Pss:", 0) == 0) total += std::stol(line.substr(4));
        }
    }
    return total;
}

// Memory with N banner views open, each showing a page (a web process each); counters in MB.
void BM_WebViewsMemory(benchmark::State& state) {
    std::string error;
    WebKitHost* h = benchWebHost(error);
    if (!h) return state.SkipWithError(error.c_str());
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::vector<std::unique_ptr<WebEngine>> views;
        std::vector<Finish> finishes(static_cast<std::size_t>(n));
        const gint64 start = g_get_monotonic_time();
        for (int i = 0; i < n; ++i) {
            views.push_back(h->createView(320, 50));
            views.back()->setDelegate(&finishes[static_cast<std::size_t>(i)]);
            views.back()->loadHTML(pageOfSize(320, 50), "http://127.0.0.1/");
        }
        const bool loaded = spinMainContext([&] {
            for (const auto& f : finishes) {
                if (f.finished == 0) return false;
            }
            return true;
        });
        if (!loaded) {
            for (auto& v : views) v->setDelegate(nullptr);
            state.SkipWithError("not every page loaded");
            break;
        }
        state.counters["all_loaded_ms"] = static_cast<double>(g_get_monotonic_time() - start) / 1000.0;
        spinMainContext([] { return false; }, 0.5);
        int processes = 0;
        state.counters["web_process_pss_MB"] = static_cast<double>(webProcessPssKB(processes)) / 1024.0;
        state.counters["web_processes"] = processes;
        for (auto& v : views) v->setDelegate(nullptr);
        if (processes == 0) {
            state.SkipWithError("no web process was found to measure");
            break;
        }
    }
}
BENCHMARK(BM_WebViewsMemory)->Arg(1)->Arg(3)->Arg(6)->Iterations(1)->Unit(benchmark::kMillisecond);

// From a headless run's start to a page loaded in it: the run's launch (GL context, app core,
// title screen), a view made in its first tick, its web process and the page. The engine starts
// once per process, so only the first run (counter first_run_s) pays for GTK and the engine's
// start, unless a benchmark before this one started them; launch_s is the last run's time to its
// first tick.
void BM_HeadlessRunStartToLoadedPage(benchmark::State& state) {
    struct Stamp : WebEngineDelegate {
        std::chrono::steady_clock::time_point at;
        bool finished = false;
        void loadFinished() override {
            at = std::chrono::steady_clock::now();
            finished = true;
        }
    };
    const std::filesystem::path folder = tikoleap::bench::benchHome("web");
    CommandLine options;
    options.headless = true;
    options.home = folder.string();
    options.seed = 1;
    options.ticks = 3;
    options.ticksGiven = true;
    options.resources = TIKOLEAP_RESOURCES_DIR;
    bool first = true;
    for (auto _ : state) {
        HeadlessRun run(options);
        Stamp stamp;
        std::unique_ptr<WebEngine> view;
        std::string error;
        std::chrono::steady_clock::time_point firstTick;
        run.setTickObserver([&](long long tick) {
            if (tick != 1) return;
            firstTick = std::chrono::steady_clock::now();
            view = WebViews::create(320, 50, &error);
            if (!view) return;
            view->setDelegate(&stamp);
            view->loadHTML(pageOfSize(320, 50), "http://127.0.0.1/");
        });
        const auto start = std::chrono::steady_clock::now();
        int code = 0;
        const bool ran = run.run(&error, &code).has_value();
        if (view) view->setDelegate(nullptr);
        if (!ran || !stamp.finished) {
            state.SkipWithError(error.empty() ? "the page did not load" : error.c_str());
            break;
        }
        const double seconds = std::chrono::duration<double>(stamp.at - start).count();
        state.SetIterationTime(seconds);
        if (first) state.counters["first_run_s"] = seconds;
        first = false;
        state.counters["launch_s"] = std::chrono::duration<double>(firstTick - start).count();
    }
}
BENCHMARK(BM_HeadlessRunStartToLoadedPage)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
