// A creative's "mraid.js" answered from memory: a banner slot's page asks (on the scripted engine,
// through the ad view's script responder) and the timing runs until the reply holds the script.
// The script (32 KiB, about our own one's size) is fetched beforehand from a loopback server, as
// the interceptor fetches it when allowed. Goal: at most 0.2 ms.
#include <benchmark/benchmark.h>

#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include <unistd.h>

#include "ads/core/DZAdSize.h"
#include "ads/core/DZAdType.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZApplication.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZMRAIDInterceptor.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/web/FakeWebEngine.h"

namespace {

void BM_MRAIDScriptFromMemory(benchmark::State& state) {
    const auto home =
        std::filesystem::temp_directory_path() / ("tikoleap-bench-mraid-" + std::to_string(getpid()));
    platform::AppPaths::setHome(home);
    platform::UserDefaults::resetStandard();
    auto loop = std::make_shared<platform::ManualRunLoop>();
    auto previousLoop = platform::RunLoop::setMain(loop);
    // A view of its own engine: no spare another benchmark left behind.
    auto previousCache = DZAdView::setWebViewCache(nullptr);
    auto previousFactory = DZAdView::setEngineFactory([&](int width, int height, std::string*) {
        auto made = std::make_unique<platform::web::FakeWebEngine>(width, height);
        made->useLoop(*loop);
        return made;
    });

    const std::string script = "/* our script */" + std::string(32 * 1024, ' ');
    httplib::Server server;
    server.Get("/banner.js", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(script, "application/javascript");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    const std::string base = "http://127.0.0.1:" + std::to_string(port);

    {
        auto slot = DZSlot::create({0, 0, 320, 50});
        slot->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        slot->adView()->loadHTMLString("<html></html>", base + "/creative.html");
        auto* engine = dynamic_cast<platform::web::FakeWebEngine*>(slot->adView()->engine());
        DZMRAIDInterceptor::forgetScripts();
        DZMRAIDInterceptor::allow();
        DZMRAIDInterceptor::setBannerImplementationPath(base + "/banner.js");
        DZMRAIDInterceptor::enableCanInitWithRequest();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (DZMRAIDInterceptor::scriptState(base + "/banner.js") !=
                   DZMRAIDInterceptor::ScriptState::Ready &&
               std::chrono::steady_clock::now() < deadline) {
            loop->runUntilIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!engine) {
            state.SkipWithError("the ad view has no scripted engine");
        } else if (DZMRAIDInterceptor::scriptState(base + "/banner.js") !=
                   DZMRAIDInterceptor::ScriptState::Ready) {
            state.SkipWithError("the script was not fetched");
        } else {
            const platform::web::ScriptRequest request{base + "/ads/mraid.js", base + "/creative.html"};
            std::size_t answered = 0;
            for (auto _ : state) {
                engine->requestScript(request, [&](const platform::web::ScriptAnswer& answer) {
                    answered += answer.body.size() == script.size() ? 1 : 0;
                });
            }
            if (answered != static_cast<std::size_t>(state.iterations()))
                state.SkipWithError("a request was not answered from memory");
        }
        DZMRAIDInterceptor::resetCanInitWithRequestCounter();
        DZMRAIDInterceptor::resetToDefaultPaths();
        DZMRAIDInterceptor::forgetScripts();
        loop->runUntilIdle();
    }

    server.stop();
    serving.join();
    DZAdView::setEngineFactory(previousFactory);
    DZAdView::setWebViewCache(previousCache);
    loop->runUntilIdle();
    platform::RunLoop::setMain(previousLoop);
    platform::UserDefaults::resetStandard();
    platform::AppPaths::setHome({});
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
}
BENCHMARK(BM_MRAIDScriptFromMemory)->Unit(benchmark::kMicrosecond);

}  // namespace
