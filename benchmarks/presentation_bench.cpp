// One animated present-and-dismiss cycle of a full-screen controller over a window, the slides
// run on the virtual clock (every animation step of both slides included).
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace {

void BM_PresentAndDismissCycle(benchmark::State& state) {
    using namespace platform::ui;
    platform::ManualRunLoop loop;
    auto window = std::make_shared<Window>();
    window->setRunLoop(&loop);
    auto root = std::make_shared<ViewController>();
    window->setRootViewController(root);
    auto screen = std::make_shared<ViewController>();
    // A close button, as a full-screen ad has.
    screen->view()->addSubview(std::make_shared<Button>(ButtonType::Custom, platform::Rect{0, 0, 32, 32}));
    int cycles = 0;
    for (auto _ : state) {
        root->presentViewController(screen, true);
        loop.advance(ViewController::kPresentationSeconds + 0.02);
        root->dismissViewController(true, [&] { ++cycles; });
        loop.advance(ViewController::kPresentationSeconds + 0.02);
    }
    if (cycles != static_cast<int>(state.iterations())) state.SkipWithError("a cycle did not complete");
}
BENCHMARK(BM_PresentAndDismissCycle)->Unit(benchmark::kMicrosecond);

}  // namespace
