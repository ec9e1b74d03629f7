// Tick costs of the level scenes at busy moments of play, and a whole headless run of Level
// Normal with rendering off. Every level is driven by one harness: the shell's side faked, the
// level current, a headless GL context current (text labels need one even without drawing).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTRandom.h"
#include "levels/FallingPlatforms.h"
#include "levels/LevelColors.h"
#include "levels/LevelDown.h"
#include "levels/LevelEnemy.h"
#include "levels/LevelEnemy2.h"
#include "levels/LevelEnemy2_EnemyA.h"
#include "levels/LevelEnemy2_EnemyB.h"
#include "levels/LevelEnemy2_EnemyC.h"
#include "levels/LevelEnemy_Enemy.h"
#include "levels/LevelFall.h"
#include "levels/LevelFallEnemy2.h"
#include "levels/LevelFallEnemy2_EnemyA.h"
#include "levels/LevelFallEnemy2_EnemyB.h"
#include "levels/LevelFallEnemy2_EnemyC.h"
#include "levels/LevelNormal.h"
#include "levels/LevelRight.h"
#include "levels/LevelRightEnemy.h"
#include "levels/LevelRightEnemy_Enemy.h"
#include "levels/LevelTrampoline.h"
#include "platform/gl/GLContext.h"
#include "tests/support/FakeShell.h"
#include "tests/support/LevelPlayers.h"

namespace {

using JTCore::makeRef;
using JTCore::Ref;
using testsupport::aheadTilt;
using testsupport::climbTilt;

// A catalog of the one level under measure; starting it makes no scene (the harness makes its own).
class OneLevelManager : public JTAppBase::JTLevelManager {
  public:
    OneLevelManager(JTAppBase::JTAppContext* context, int levelId, std::string name)
        : JTLevelManager(context), levelId_(levelId), name_(std::move(name)) {}
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(levelId_);
        info->setName(makeRef<JTCore::JTString>(name_));
        infos->add(info);
    }
    void startLevelScene(int) override {}

  private:
    int levelId_;
    std::string name_;
};

// The shell's side faked, `levelId` current, the generator seeded, a headless GL context current.
template <class Level>
class LevelBench {
  public:
    LevelBench(int levelId, const std::string& name, uint64_t seed) {
        std::string error;
        gl_ = platform::GLContext::createHeadless(&error);
        if (!gl_) return;
        gl_->makeCurrent();
        JTAppBase::JTRandom::current().seed(seed);
        view_.tilt = &tilt_;
        context_ = makeRef<JTAppBase::JTAppContext>();
        auto manager = makeRef<OneLevelManager>(context_.get(), levelId, name);
        manager->reloadLevels();
        context_->setLevelManager(manager);
        context_->setAppCore(&core_);
        context_->setGameView(&view_);
        context_->startLevel(levelId);
        context_->getCanvas()->setCanvasSize(320, 480);
    }
    ~LevelBench() {
        if (!context_) return;
        level.reset();
        context_->setGameView(nullptr);
        context_->setLevelManager(nullptr);
    }
    LevelBench(const LevelBench&) = delete;
    LevelBench& operator=(const LevelBench&) = delete;

    // False (and the benchmark marked skipped) when no headless GL context could be had.
    bool ready(benchmark::State& state) const {
        if (gl_) return true;
        state.SkipWithError("no headless GL context");
        return false;
    }

    void newGame() { level = makeRef<Level>(context_.get()); }
    bool over() const { return level->getState() == JTApp::GameSceneBase::kStateGameOver; }

    // One game-view tick at the given tilt; the sounds it asked for are dropped.
    void tick(double tilt) {
        tilt_.accel = tilt;
        auto canvas = context_->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core_.sounds.clear();
    }

    // A finger down on the first of every 40 ticks, lifted 5 ticks later: beside the hero on
    // alternating sides, or always at the right edge ahead of him.
    void tapEvery40Ticks(bool alternateSides) {
        const int phase = taps_++ % 40;
        if (phase == 0) {
            const int x = alternateSides ? (taps_ % 80 ? 10 : 310) : 300;
            context_->setCurrentTouch(std::make_shared<fakes::FakeTouch>(x, 100));
        }
        if (phase == 5) context_->setCurrentTouch(nullptr);
    }

    // New games until one, played by `tick`, gets to `reached` without being lost.
    template <class Reached, class Tick>
    void playUntil(Reached reached, Tick tick) {
        for (;;) {
            newGame();
            while (!reached() && !over()) tick();
            if (!over()) return;
        }
    }

    // Measures `tick`, starting over with `start` (untimed) whenever the game is lost.
    template <class Tick, class Start>
    void measure(benchmark::State& state, Tick tick, Start start) {
        start();
        for (auto _ : state) {
            tick();
            if (over()) {
                state.PauseTiming();
                start();
                state.ResumeTiming();
            }
        }
        state.SetItemsProcessed(state.iterations());
    }

    Ref<Level> level;

  private:
    std::shared_ptr<platform::GLContext> gl_;
    fakes::FakeAppCore core_;
    fakes::FakeGameView view_{&core_};
    fakes::FakeTilt tilt_;
    Ref<JTAppBase::JTAppContext> context_;
    int taps_ = 0;
};

// The players aim at any platform there is.
bool anyPlatform(int kind) {
    return kind != JTApp::VerticalLevel::kFree;
}

// Level Normal: a climb 3000 units up, where the intro is over, gaps have begun to widen and the
// screen scrolls.
void BM_LevelNormalTickMidGame(benchmark::State& state) {
    LevelBench<JTApp::LevelNormal> bench(20, "Level: Normal", 2024);
    if (!bench.ready(state)) return;
    auto tick = [&] { bench.tick(climbTilt(*bench.level, anyPlatform)); };
    bench.measure(state, tick,
                  [&] { bench.playUntil([&] { return bench.level->getScroll() >= 3000; }, tick); });
}
BENCHMARK(BM_LevelNormalTickMidGame);

// Level Normal: 10 000 ticks of headless play with rendering off.
void BM_LevelNormal10000TicksNoRendering(benchmark::State& state) {
    LevelBench<JTApp::LevelNormal> bench(20, "Level: Normal", 7);
    if (!bench.ready(state)) return;
    for (auto _ : state) {
        JTAppBase::JTRandom::current().seed(7);
        bench.newGame();
        for (int t = 0; t < 10000; ++t) {
            // A lost game is followed by the next one, as a player would.
            if (bench.over() && bench.level->getStateTicks() >= bench.level->getGameOverDelay())
                bench.newGame();
            bench.tick(climbTilt(*bench.level, anyPlatform));
        }
        benchmark::DoNotOptimize(bench.level->getScore());
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_LevelNormal10000TicksNoRendering)->Unit(benchmark::kMillisecond);

// Level Fall at a busy moment: past 3000 units springs are being generated, and platforms the
// hero has left are still falling. The player aims at platforms that can still be landed on.
void BM_LevelFallTickMidGame(benchmark::State& state) {
    LevelBench<JTApp::LevelFall> bench(21, "Level: Fall", 2024);
    if (!bench.ready(state)) return;
    auto tick = [&] {
        bench.tick(climbTilt(*bench.level, [](int kind) {
            return kind == JTApp::VerticalLevel::kPlatform || kind == JTApp::VerticalLevel::kSpringPlatform;
        }));
    };
    bench.measure(state, tick,
                  [&] { bench.playUntil([&] { return bench.level->getScroll() >= 3000; }, tick); });
}
BENCHMARK(BM_LevelFallTickMidGame);

// Level Down while playing: every tick the screen moves, platforms leave at the top and new ones
// are generated below; the ceiling keeps pushing a hero who rides his platform up.
void BM_LevelDownTickPlaying(benchmark::State& state) {
    LevelBench<JTApp::LevelDown> bench(27, "Level: Down", 27);
    if (!bench.ready(state)) return;
    int ticks = 0;
    // A slow sway, so the hero now rides a platform, now drops off it.
    auto tick = [&] { bench.tick((ticks++ / 120) % 3 == 0 ? 0.6 : 0.0); };
    bench.measure(state, tick, [&] {
        bench.newGame();
        for (int t = 0; t < 160; ++t) tick();
    });
}
BENCHMARK(BM_LevelDownTickPlaying);

// Level Enemy at a busy moment: 3000 units up, every enemy of the pool chasing the hero and
// fireballs in flight from taps beside him.
void BM_LevelEnemyTickBusy(benchmark::State& state) {
    LevelBench<JTApp::LevelEnemy> bench(22, "Level: Enemy", 22);
    if (!bench.ready(state)) return;
    auto tick = [&] {
        const double tilt = climbTilt(*bench.level, anyPlatform);
        bench.tapEvery40Ticks(true);
        bench.tick(tilt);
    };
    bench.measure(state, tick, [&] {
        bench.playUntil([&] { return bench.level->getScroll() >= 3000; }, tick);
        // The whole pool after him, from below.
        const auto& enemies = bench.level->getEnemyPool();
        for (int i = 0; i < enemies->size(); ++i) {
            enemies->getAs<JTApp::LevelEnemy_Enemy>(i)->place(static_cast<float>(80 * i),
                                                              static_cast<float>(bench.level->getScroll()));
        }
    });
}
BENCHMARK(BM_LevelEnemyTickBusy);

// Level Colors at a busy moment: 3000 units up, platforms the hero has left are falling and a
// chain label is counting down. The player aims at platforms not landed on yet.
void BM_LevelColorsTickMidGame(benchmark::State& state) {
    LevelBench<JTApp::LevelColors> bench(32, "Level: Colors", 32);
    if (!bench.ready(state)) return;
    auto tick = [&] {
        bench.tick(climbTilt(*bench.level,
                             [](int kind) { return kind >= 1 && kind <= JTApp::LevelColors::kColorCount; }));
    };
    bench.measure(state, tick,
                  [&] { bench.playUntil([&] { return bench.level->getScroll() >= 3000; }, tick); });
}
BENCHMARK(BM_LevelColorsTickMidGame);

// Level Trampoline at a busy moment: 3000 units up, trampolines the hero has left sinking away
// and hamburgers waiting above him. The player aims at trampolines that still stand.
void BM_LevelTrampolineTickBusy(benchmark::State& state) {
    LevelBench<JTApp::LevelTrampoline> bench(31, "Level: Trampoline", 31);
    if (!bench.ready(state)) return;
    auto tick = [&] {
        bench.tick(
            climbTilt(*bench.level, [](int kind) { return kind == JTApp::VerticalLevel::kSpringPlatform; }));
    };
    bench.measure(state, tick,
                  [&] { bench.playUntil([&] { return bench.level->getScroll() >= 3000; }, tick); });
}
BENCHMARK(BM_LevelTrampolineTickBusy);

// Level Right far along: the view scrolls every tick, platforms the hero has left are falling,
// those behind the left edge are freed and new ones generated ahead.
void BM_LevelRightTickFarAlong(benchmark::State& state) {
    LevelBench<JTApp::LevelRight> bench(25, "Level: Right", 25);
    if (!bench.ready(state)) return;
    auto tick = [&] { bench.tick(aheadTilt(*bench.level)); };
    bench.measure(state, tick,
                  [&] { bench.playUntil([&] { return bench.level->getScrollX() >= 5000; }, tick); });
}
BENCHMARK(BM_LevelRightTickFarAlong);

// Level Enemy2 at a busy moment: 3000 units up, where rings come too, every foe of every kind on
// screen, the still ones firing spikes, and fireballs in flight from taps beside the hero.
void BM_LevelEnemy2TickBusy(benchmark::State& state) {
    LevelBench<JTApp::LevelEnemy2> bench(28, "Level: Enemy2", 28);
    if (!bench.ready(state)) return;
    auto tick = [&] {
        const double tilt = climbTilt(*bench.level, anyPlatform);
        bench.tapEvery40Ticks(true);
        bench.tick(tilt);
    };
    bench.measure(state, tick, [&] {
        bench.playUntil([&] { return bench.level->getScroll() >= 3000; }, tick);
        // Every pool full, spread over the screen.
        const auto& level = bench.level;
        const auto scroll = static_cast<float>(level->getScroll());
        for (int i = 0; i < JTApp::LevelEnemy2::kEnemiesPerKind; ++i) {
            level->getEnemyAPool()->getAs<JTApp::LevelEnemy2_EnemyA>(i)->place(80.0f * i, scroll);
            level->getEnemyBPool()->getAs<JTApp::LevelEnemy2_EnemyB>(i)->place(40.0f + 80 * i, scroll + 600);
            level->getEnemyCPool()->getAs<JTApp::LevelEnemy2_EnemyC>(i)->place(scroll + 400, 0.1f, 0.8f * i);
        }
    });
}
BENCHMARK(BM_LevelEnemy2TickBusy);

// Level Fall+Enemy2 at a busy moment: 3000 units up on dropping platforms, springs among them,
// every foe of every kind on screen and fireballs in flight from taps beside the hero.
void BM_LevelFallEnemy2TickBusy(benchmark::State& state) {
    LevelBench<JTApp::LevelFallEnemy2> bench(30, "Level: Fall+Enemy2", 30);
    if (!bench.ready(state)) return;
    auto tick = [&] {
        // Toward the nearest platform still standing.
        const double tilt = climbTilt(*bench.level, JTApp::FallingPlatforms::isLandable);
        bench.tapEvery40Ticks(true);
        bench.tick(tilt);
    };
    bench.measure(state, tick, [&] {
        bench.playUntil([&] { return bench.level->getScroll() >= 3000; }, tick);
        // Every pool full, spread over the screen.
        const auto& level = bench.level;
        const auto scroll = static_cast<float>(level->getScroll());
        for (int i = 0; i < JTApp::LevelEnemy2::kEnemiesPerKind; ++i) {
            level->getEnemyAPool()->getAs<JTApp::LevelFallEnemy2_EnemyA>(i)->place(80.0f * i, scroll);
            level->getEnemyBPool()->getAs<JTApp::LevelFallEnemy2_EnemyB>(i)->place(40.0f + 80 * i,
                                                                                   scroll + 600);
            level->getEnemyCPool()->getAs<JTApp::LevelFallEnemy2_EnemyC>(i)->place(scroll + 400, 0.1f,
                                                                                   0.8f * i);
        }
    });
}
BENCHMARK(BM_LevelFallEnemy2TickBusy);

// Level Right+Enemy at a busy moment: 3000 along, the view scrolling, every enemy of the pool
// chasing the hero and fireballs in flight from taps ahead of him.
void BM_LevelRightEnemyTickBusy(benchmark::State& state) {
    LevelBench<JTApp::LevelRightEnemy> bench(29, "Level: Right+Enemy", 29);
    if (!bench.ready(state)) return;
    auto tick = [&] {
        const double tilt = aheadTilt(*bench.level);
        bench.tapEvery40Ticks(false);
        bench.tick(tilt);
    };
    bench.measure(state, tick, [&] {
        bench.playUntil([&] { return bench.level->getScrollX() >= 3000; }, tick);
        // The whole pool after him, from ahead and above.
        const auto& enemies = bench.level->getEnemyPool();
        for (int i = 0; i < enemies->size(); ++i) {
            enemies->getAs<JTApp::LevelRightEnemy_Enemy>(i)->place(
                static_cast<float>(bench.level->getScrollX() + 320 + 80 * i), 600);
        }
    });
}
BENCHMARK(BM_LevelRightEnemyTickBusy);

}  // namespace
