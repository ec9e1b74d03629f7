// Cost of web views on the real engine: a page's snapshot uploaded as a texture (banner and
// full page, and the banner at the window's scale of 1.5), a script's round trip, loadHTML to "finished", and
// the memory views take. Needs an X display (run under scripts/with-display); without one these report an
// error and skip.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <glib.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "platform/gl/FramebufferTexture.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/WebKitHost.h"

using namespace platform::web;

namespace {

struct Finish : WebEngineDelegate {
    int finished = 0;
    void loadFinished() override { ++finished; }
};

// The host on the process's GLib loop, or null without a display.
WebKitHost* host(std::string& error) {
    static auto* loop = new platform::GLibRunLoop();
    try {
        WebLimits limits;
        limits.maxViews = 8;
        return &WebKitHost::start(*loop, limits);
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

// Spins the default context (where the loop's timers and the engine live) until done() holds.
template <class F>
bool spin(F done, double seconds = 10) {
    const gint64 end = g_get_monotonic_time() + static_cast<gint64>(seconds * 1e6);
    while (!done()) {
        if (g_get_monotonic_time() > end) return false;
        g_main_context_iteration(nullptr, FALSE);
    }
    return true;
}

std::string pageOfSize(int w, int h) {
    return "<html><body style='margin:0;background:linear-gradient(#f80,#08f)'><div style='width:" +
           std::to_string(w) + "px;height:" + std::to_string(h) +
           "px;font:20px sans-serif'>Tiko Leap: jump higher!</div></body></html>";
}

std::unique_ptr<WebEngine> loadedView(benchmark::State& state, int w, int h, Finish& finish) {
    std::string error;
    WebKitHost* h0 = host(error);
    if (!h0) {
        state.SkipWithError(error.c_str());
        return nullptr;
    }
    auto view = h0->createView(w, h);
    view->setDelegate(&finish);
    view->loadHTML(pageOfSize(w, h), "http://127.0.0.1/");
    if (!spin([&] { return finish.finished > 0; })) {
        state.SkipWithError("the page did not load");
        return nullptr;
    }
    spin([] { return false; }, 0.2);  // let the first frame be drawn
    return view;
}

// Arguments: width and height in points, scale in tenths.
void BM_WebSnapshotUpload(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Finish finish;
    auto view = loadedView(state, w, h, finish);
    if (!view) return;
    view->setScale(static_cast<double>(state.range(2)) / 10.0);
    spin([] { return false; }, 0.2);  // let the page be drawn at its scale
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) return state.SkipWithError(error.c_str());
    gl->makeCurrent();
    platform::gl::FramebufferTexture texture(GL_RGBA);
    for (auto _ : state) {
        const platform::Image page = view->snapshot();
        benchmark::DoNotOptimize(texture.upload(page.pixels.data(), page.width, page.height));
        glFinish();
    }
    view->setDelegate(nullptr);
}
BENCHMARK(BM_WebSnapshotUpload)
    ->Args({320, 50, 10})
    ->Args({320, 480, 10})
    ->Args({320, 50, 15})
    ->Unit(benchmark::kMillisecond);

void BM_WebScriptRoundTrip(benchmark::State& state) {
    Finish finish;
    auto view = loadedView(state, 320, 50, finish);
    if (!view) return;
    for (auto _ : state) {
        bool done = false;
        view->evaluateScript("document.body.childElementCount", [&](const ScriptResult&) { done = true; });
        spin([&] { return done; });
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
        spin([&] { return finish.finished > before; });
    }
    view->setDelegate(nullptr);
}
BENCHMARK(BM_WebLoadHTMLToFinished)->Unit(benchmark::kMillisecond);

// Proportional memory (kB) of this process's web processes.
long webProcessPssKB() {
    long total = 0;
    const std::string self = std::to_string(getpid());
    DIR* proc = opendir("/proc");
    if (!proc) return -1;
    while (dirent* entry = readdir(proc)) {
        const std::string dir = std::string("/proc/") + entry->d_name;
        std::ifstream stat(dir + "/stat");
        std::string line;
        if (!stat || !std::getline(stat, line) || line.find("(WebKitWebProces)") == std::string::npos)
            continue;
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        std::string st, ppid;
        rest >> st >> ppid;
        if (ppid != self) continue;
        std::ifstream smaps(dir + "/smaps_rollup");
        while (std::getline(smaps, line)) {
            if (line.rfind("Pss:", 0) == 0) total += std::stol(line.substr(4));
        }
    }
    closedir(proc);
    return total;
}

// Memory with N banner views open, each showing a page; counters in MB.
void BM_WebViewsMemory(benchmark::State& state) {
    std::string error;
    WebKitHost* h = host(error);
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
        spin([&] {
            for (const auto& f : finishes) {
                if (f.finished == 0) return false;
            }
            return true;
        });
        state.counters["all_loaded_ms"] = static_cast<double>(g_get_monotonic_time() - start) / 1000.0;
        spin([] { return false; }, 0.5);
        state.counters["web_process_pss_MB"] = static_cast<double>(webProcessPssKB()) / 1024.0;
        for (auto& v : views) v->setDelegate(nullptr);
    }
}
BENCHMARK(BM_WebViewsMemory)->Arg(1)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
