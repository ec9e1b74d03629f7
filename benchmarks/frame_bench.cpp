// The whole frame path of the real game: the app core, the game view and Level Normal on a
// headless llvmpipe context, driven by the virtual clock.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/MyAppCore.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTRandom.h"
#include "benchmarks/BenchHome.h"
#include "platform/audio/AudioDevice.h"
#include "platform/foundation/AppPaths.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/ManualRunLoop.h"
#include "shell/MyGameView.h"

namespace {

class Game {
  public:
    explicit Game(int levelId = 20) {
        platform::AppPaths::setHome(tikoleap::bench::benchHome("frame"));
        // A benchmark measures the game, never a sound card: no device is opened.
        platform::audio::setOutputMode(platform::audio::OutputMode::Disabled);
        previous_ = platform::RunLoop::setMain(loop_);
        gl_ = platform::GLContext::createHeadless(&error_);
        if (!gl_) return;
        gl_->makeCurrent();
        JTAppBase::JTRandom::current().seed(1234);
        core_ = std::make_unique<MyAppCore>(TIKOLEAP_RESOURCES_DIR, gl_);
        core_->init();
        core_->appContext()->getLevelManager()->reloadLevels();
        core_->setCurrentLevelId(levelId);
        core_->startGameView();
    }
    ~Game() {
        core_.reset();
        platform::RunLoop::setMain(previous_);
        platform::audio::setOutputMode(previousOutput_);
    }
    GameViewBase* view() const { return core_ ? core_->gameView() : nullptr; }
    // As a level start from outside the game: whatever shows (the game-over screen) stops first.
    void newGame() {
        core_->stopAllViews();
        core_->startGameView();
    }
    platform::ManualRunLoop& loop() { return *loop_; }
    const std::string& error() const { return error_; }

  private:
    std::shared_ptr<platform::ManualRunLoop> loop_ = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previous_;
    platform::audio::OutputMode previousOutput_ = platform::audio::outputMode();
    std::shared_ptr<platform::GLContext> gl_;
    std::unique_ptr<MyAppCore> core_;
    std::string error_;
};

// One rendered frame mid-game: the background, the platforms, the hero, the score and the pause
// button, read back with glFinish so the cost of the rasteriser is counted too.
void BM_RenderOneFrame(benchmark::State& state) {
    Game game;
    if (game.view() == nullptr) return state.SkipWithError(game.error().c_str());
    game.loop().advance(3.0);  // past the intro
    if (!game.view()->active() || !game.view()->gameScene())
        return state.SkipWithError("the game is not in play: a frame would draw no game");
    for (auto _ : state) {
        game.view()->render();
        glFinish();
    }
}
BENCHMARK(BM_RenderOneFrame)->Unit(benchmark::kMicrosecond);

// 10 000 ticks of a whole game through the frame timer: with rendering on (one frame per tick)
// and off (the ticks alone). A game over ends the run early; a new game picks up the rest.
void runTicks(benchmark::State& state, bool render) {
    for (auto _ : state) {
        Game game;
        if (game.view() == nullptr) return state.SkipWithError(game.error().c_str());
        int done = 0;
        // Ticks that ran no game: the timer's that did not fire, or a view without its scene.
        int idle = 0;
        while (done < 10000) {
            GameViewBase* view = game.view();
            if (!view->active()) {
                game.newGame();
                continue;
            }
            if (render) {
                const int before = view->tickCount();
                game.loop().advance(0.010);
                idle += view->tickCount() == before;
                done += 1;
            } else {
                idle += view->gameScene() == nullptr;
                view->onTick();
                done += 1;
            }
        }
        glFinish();
        if (idle > done / 100) {
            state.SkipWithError(
                (std::to_string(idle) + " of " + std::to_string(done) + " ticks ran no game").c_str());
            return;
        }
    }
}

void BM_Replay10000TicksRenderingOff(benchmark::State& state) {
    runTicks(state, false);
}
void BM_Replay10000TicksRenderingOn(benchmark::State& state) {
    runTicks(state, true);
}
BENCHMARK(BM_Replay10000TicksRenderingOff)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Replay10000TicksRenderingOn)->Unit(benchmark::kMillisecond)->Iterations(1);

// A headless replay as `tikoleap --headless --ticks 100000` runs it without a capture: the frame
// timer on the virtual clock, one tick per firing, no frame drawn. A game over starts a new game
// of the same level until 100 000 ticks have run. The argument is the level id.
void BM_Replay100000TicksNoCapture(benchmark::State& state) {
    const int levelId = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Game game(levelId);
        if (game.view() == nullptr) return state.SkipWithError(game.error().c_str());
        long long done = 0;
        int stalled = 0;
        while (done < 100000) {
            GameViewBase* view = game.view();
            if (!view->active()) {
                game.newGame();
                continue;
            }
            view->setRenderPolicy([](int) { return false; });
            const int before = view->tickCount();
            game.loop().advance(0.010);
            done += view->tickCount() - before;
            // A frame timer that never fires would spin here measuring nothing.
            stalled = view->tickCount() == before ? stalled + 1 : 0;
            if (stalled > 1000) return state.SkipWithError("the game's frame timer stopped ticking");
        }
        state.counters["ticks"] = static_cast<double>(done);
    }
}
BENCHMARK(BM_Replay100000TicksNoCapture)
    ->ArgName("level")
    ->Arg(20)
    ->Arg(21)
    ->Arg(22)
    ->Arg(25)
    ->Arg(27)
    ->Arg(28)
    ->Arg(29)
    ->Arg(30)
    ->Arg(31)
    ->Arg(32)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
