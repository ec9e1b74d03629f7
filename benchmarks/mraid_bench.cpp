// Our rich-media script on the real engine: from the page's "finished" to the creative's "ready",
// with a native side that answers "mraidLoaded" at once as the slot does (screen, features,
// ready). The page says it heard "ready" with a page message of its own. Needs an X display
// (run under scripts/with-display); without one it reports an error and skips.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "benchmarks/BenchWebHost.h"
#include "platform/web/WebKitHost.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/MRAIDScript.h"

using namespace platform::web;
using tikoleap::adserver::MRAIDScript;

namespace {

struct NativeSide : WebEngineDelegate {
    WebEngine* engine = nullptr;
    int finished = 0;
    int ready = 0;
    std::chrono::steady_clock::time_point finishedAt;
    std::chrono::steady_clock::time_point readyAt;

    bool shouldStartNavigation(const NavigationAction& action) override {
        if (action.url.rfind("amsg://page/mraidLoaded", 0) == 0) {
            engine->evaluateScript(
                "ZAZO_ReceiveMessage('onScreenInfoChanged', {width: 320, height: 480, maxSizeWidth: 320,"
                " maxSizeHeight: 480, isOrientationLandscape: false});"
                "ZAZO_ReceiveMessage('onDeviceFeaturesReceived', {sms: false, tel: false, calendar: false,"
                " storePicture: true, inlineVideo: true});"
                "ZAZO_ReceiveMessage('onReadyEventReceived', {js: '1'}); 1",
                nullptr);
        } else if (action.url.rfind("amsg://page/benchReady", 0) == 0) {
            readyAt = std::chrono::steady_clock::now();
            ++ready;
        }
        return true;
    }
    void loadFinished() override {
        finishedAt = std::chrono::steady_clock::now();
        ++finished;
    }
};

const char* const kPage =
    "<!DOCTYPE html><html><head><meta charset='utf-8'><script src='mraid.js'></script><script>"
    "mraid.addEventListener('ready', function () { location.href = 'amsg://page/benchReady'; });"
    "</script></head><body>Tiko Leap</body></html>";

// Milliseconds from the page's "finished" to the page's "ready", one page load an iteration.
void BM_MRAIDPageFinishedToReady(benchmark::State& state) {
    std::string error;
    WebKitHost* host = benchWebHost(error);
    if (!host) return state.SkipWithError(error.c_str());
    tikoleap::adserver::AdServer server;
    if (!server.start(0, "", &error)) return state.SkipWithError(error.c_str());
    auto view = host->createView(320, 50);
    NativeSide native;
    native.engine = view.get();
    view->setDelegate(&native);
    view->setScriptResponder([](const ScriptRequest&, ScriptReply reply) {
        reply.answer(MRAIDScript::source(MRAIDScript::Variant::Banner));
    });
    for (auto _ : state) {
        const int finished = native.finished;
        const int ready = native.ready;
        view->loadHTML(kPage, server.baseURL() + "creative/bench");
        if (!spinMainContext([&] { return native.finished > finished && native.ready > ready; })) {
            state.SkipWithError("the creative was not ready");
            break;
        }
        // The two reports travel apart: a "ready" heard before "finished" counts as no wait.
        state.SetIterationTime(
            std::max(0.0, std::chrono::duration<double>(native.readyAt - native.finishedAt).count()));
    }
    view->setDelegate(nullptr);
    view.reset();
    server.stop();
}
BENCHMARK(BM_MRAIDPageFinishedToReady)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace
