// Level Normal's tick cost: one tick at a busy moment of a climb, and a whole headless run of
// 10 000 ticks with rendering off. Text labels need a current GL context even without drawing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTRandom.h"
#include "levels/LevelNormal.h"
#include "platform/gl/GLContext.h"
#include "tests/support/FakeShell.h"

namespace {

using JTCore::makeRef;
using JTCore::Ref;

class NormalOnly : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(20);
        info->setName(makeRef<JTCore::JTString>("Level: Normal"));
        infos->add(info);
    }
    void startLevelScene(int) override {}
};

// The shell's side faked, Level 20 current, a headless GL context current.
class Harness {
  public:
    explicit Harness(uint64_t seed) {
        std::string error;
        gl_ = platform::GLContext::createHeadless(&error);
        if (gl_) gl_->makeCurrent();
        JTAppBase::JTRandom::current().seed(seed);
        view_.tilt = &tilt_;
        context_ = makeRef<JTAppBase::JTAppContext>();
        auto manager = makeRef<NormalOnly>(context_.get());
        manager->reloadLevels();
        context_->setLevelManager(manager);
        context_->setAppCore(&core_);
        context_->setGameView(&view_);
        context_->startLevel(20);
        context_->getCanvas()->setCanvasSize(320, 480);
    }
    ~Harness() {
        level.reset();
        context_->setGameView(nullptr);
        context_->setLevelManager(nullptr);
    }
    bool hasGL() const { return gl_ != nullptr; }

    void newGame() { level = makeRef<JTApp::LevelNormal>(context_.get()); }

    void tick() {
        tilt_.accel = steer();
        auto canvas = context_->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core_.sounds.clear();
    }

    // Plays until the screen has risen `height` or the game ended.
    bool climbTo(int height) {
        while (level->getScroll() < height) {
            if (level->getState() == JTApp::GameSceneBase::kStateGameOver) return false;
            tick();
        }
        return true;
    }

    Ref<JTApp::LevelNormal> level;

  private:
    // A player: toward the next platform up while rising, onto the highest one below while falling.
    double steer() const {
        const float y = level->getHeroY();
        const float vy = level->getHeroVy();
        const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
        int target = -1;
        float best = 0;
        for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
            if (level->platformKind(i) == JTApp::VerticalLevel::kFree) continue;
            const float top = static_cast<float>(level->platformY(i) + 32);
            const bool wanted = vy > 0 ? top > y + 1 && top < y + rise : top <= y;
            if (wanted && (target < 0 || (vy > 0 ? top < best : top > best))) {
                target = i;
                best = top;
            }
        }
        if (target < 0) return 0;
        return std::clamp((level->platformX(target) - level->getHeroX()) / 40.0, -1.0, 1.0);
    }

    std::shared_ptr<platform::GLContext> gl_;
    fakes::FakeAppCore core_;
    fakes::FakeGameView view_{&core_};
    fakes::FakeTilt tilt_;
    Ref<JTAppBase::JTAppContext> context_;
};

// A climb 3000 units up: the intro is over, gaps have begun to widen, the screen scrolls.
void startBusyGame(Harness& harness) {
    for (;;) {
        harness.newGame();
        if (harness.climbTo(3000)) return;
    }
}

void BM_LevelNormalTickMidGame(benchmark::State& state) {
    Harness harness(2024);
    if (!harness.hasGL()) {
        state.SkipWithError("no headless GL context");
        return;
    }
    startBusyGame(harness);
    for (auto _ : state) {
        harness.tick();
        if (harness.level->getState() == JTApp::GameSceneBase::kStateGameOver) {
            state.PauseTiming();
            startBusyGame(harness);
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LevelNormalTickMidGame);

void BM_LevelNormal10000TicksNoRendering(benchmark::State& state) {
    Harness harness(7);
    if (!harness.hasGL()) {
        state.SkipWithError("no headless GL context");
        return;
    }
    for (auto _ : state) {
        JTAppBase::JTRandom::current().seed(7);
        harness.newGame();
        for (int t = 0; t < 10000; ++t) {
            // A lost game is followed by the next one, as a player would.
            if (harness.level->getState() == JTApp::GameSceneBase::kStateGameOver &&
                harness.level->getStateTicks() >= harness.level->getGameOverDelay()) {
                harness.newGame();
            }
            harness.tick();
        }
        benchmark::DoNotOptimize(harness.level->getScore());
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_LevelNormal10000TicksNoRendering)->Unit(benchmark::kMillisecond);

}  // namespace

// Level Fall's tick at a busy moment: past 3000 units springs are being generated, and platforms
// the hero has left are still falling.
#include "levels/LevelFall.h"

namespace {

class FallOnly : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(21);
        info->setName(makeRef<JTCore::JTString>("Level: Fall"));
        infos->add(info);
    }
    void startLevelScene(int) override {}
};

void BM_LevelFallTickMidGame(benchmark::State& state) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) {
        state.SkipWithError("no headless GL context");
        return;
    }
    gl->makeCurrent();
    JTAppBase::JTRandom::current().seed(2024);
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    fakes::FakeTilt tilt;
    view.tilt = &tilt;
    auto context = makeRef<JTAppBase::JTAppContext>();
    auto manager = makeRef<FallOnly>(context.get());
    manager->reloadLevels();
    context->setLevelManager(manager);
    context->setAppCore(&core);
    context->setGameView(&view);
    context->startLevel(21);
    context->getCanvas()->setCanvasSize(320, 480);

    Ref<JTApp::LevelFall> level;
    // A player aiming at the nearest platform that can still be landed on.
    auto tick = [&] {
        const float y = level->getHeroY();
        const float vy = level->getHeroVy();
        const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
        int target = -1;
        float best = 0;
        for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
            const int kind = level->platformKind(i);
            if (kind != JTApp::VerticalLevel::kPlatform && kind != JTApp::VerticalLevel::kSpringPlatform)
                continue;
            const float top = static_cast<float>(level->platformY(i) + 32);
            const bool wanted = vy > 0 ? top > y + 1 && top < y + rise : top <= y;
            if (wanted && (target < 0 || (vy > 0 ? top < best : top > best))) {
                target = i;
                best = top;
            }
        }
        tilt.accel =
            target < 0 ? 0 : std::clamp((level->platformX(target) - level->getHeroX()) / 40.0, -1.0, 1.0);
        auto canvas = context->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core.sounds.clear();
    };
    auto startBusy = [&] {
        for (;;) {
            level = makeRef<JTApp::LevelFall>(context.get());
            while (level->getScroll() < 3000 && level->getState() != JTApp::GameSceneBase::kStateGameOver)
                tick();
            if (level->getState() != JTApp::GameSceneBase::kStateGameOver) return;
        }
    };
    startBusy();
    for (auto _ : state) {
        tick();
        if (level->getState() == JTApp::GameSceneBase::kStateGameOver) {
            state.PauseTiming();
            startBusy();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    level.reset();
    context->setGameView(nullptr);
    context->setLevelManager(nullptr);
}
BENCHMARK(BM_LevelFallTickMidGame);

}  // namespace

// Level Down's tick while playing: every tick the screen moves, platforms leave at the top and new
// ones are generated below; the ceiling keeps pushing a hero who rides his platform up.
#include "levels/LevelDown.h"

namespace {

class DownOnly : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(27);
        info->setName(makeRef<JTCore::JTString>("Level: Down"));
        infos->add(info);
    }
    void startLevelScene(int) override {}
};

void BM_LevelDownTickPlaying(benchmark::State& state) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) {
        state.SkipWithError("no headless GL context");
        return;
    }
    gl->makeCurrent();
    JTAppBase::JTRandom::current().seed(27);
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    fakes::FakeTilt tilt;
    view.tilt = &tilt;
    auto context = makeRef<JTAppBase::JTAppContext>();
    auto manager = makeRef<DownOnly>(context.get());
    manager->reloadLevels();
    context->setLevelManager(manager);
    context->setAppCore(&core);
    context->setGameView(&view);
    context->startLevel(27);
    context->getCanvas()->setCanvasSize(320, 480);

    Ref<JTApp::LevelDown> level;
    int ticks = 0;
    auto tick = [&] {
        // A slow sway, so the hero now rides a platform, now drops off it.
        tilt.accel = (ticks++ / 120) % 3 == 0 ? 0.6 : 0.0;
        auto canvas = context->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core.sounds.clear();
    };
    auto newGame = [&] {
        level = makeRef<JTApp::LevelDown>(context.get());
        for (int t = 0; t < 160; ++t) tick();
    };
    newGame();
    for (auto _ : state) {
        tick();
        if (level->getState() == JTApp::GameSceneBase::kStateGameOver) {
            state.PauseTiming();
            newGame();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    level.reset();
    context->setGameView(nullptr);
    context->setLevelManager(nullptr);
}
BENCHMARK(BM_LevelDownTickPlaying);

}  // namespace

// Level Enemy's tick at a busy moment: 3000 units up, every enemy of the pool chasing the hero
// and fireballs in flight from taps beside him.
#include "levels/LevelEnemy.h"
#include "levels/LevelEnemy_Enemy.h"

namespace {

class EnemyOnly : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(22);
        info->setName(makeRef<JTCore::JTString>("Level: Enemy"));
        infos->add(info);
    }
    void startLevelScene(int) override {}
};

void BM_LevelEnemyTickBusy(benchmark::State& state) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) {
        state.SkipWithError("no headless GL context");
        return;
    }
    gl->makeCurrent();
    JTAppBase::JTRandom::current().seed(22);
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    fakes::FakeTilt tilt;
    view.tilt = &tilt;
    auto context = makeRef<JTAppBase::JTAppContext>();
    auto manager = makeRef<EnemyOnly>(context.get());
    manager->reloadLevels();
    context->setLevelManager(manager);
    context->setAppCore(&core);
    context->setGameView(&view);
    context->startLevel(22);
    context->getCanvas()->setCanvasSize(320, 480);

    Ref<JTApp::LevelEnemy> level;
    int ticks = 0;
    auto tick = [&] {
        // Toward the nearest platform that can be landed on next, tapping beside the hero now and then.
        const float y = level->getHeroY();
        const float vy = level->getHeroVy();
        const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
        int target = -1;
        float best = 0;
        for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
            if (level->platformKind(i) == JTApp::VerticalLevel::kFree) continue;
            const float top = static_cast<float>(level->platformY(i) + 32);
            const bool wanted = vy > 0 ? top > y + 1 && top < y + rise : top <= y;
            if (wanted && (target < 0 || (vy > 0 ? top < best : top > best))) {
                target = i;
                best = top;
            }
        }
        tilt.accel =
            target < 0 ? 0 : std::clamp((level->platformX(target) - level->getHeroX()) / 40.0, -1.0, 1.0);
        const int phase = ticks++ % 40;
        if (phase == 0)
            context->setCurrentTouch(std::make_shared<fakes::FakeTouch>(ticks % 80 ? 10 : 310, 100));
        if (phase == 5) context->setCurrentTouch(nullptr);
        auto canvas = context->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core.sounds.clear();
    };
    auto startBusy = [&] {
        for (;;) {
            level = makeRef<JTApp::LevelEnemy>(context.get());
            while (level->getScroll() < 3000 && level->getState() != JTApp::GameSceneBase::kStateGameOver)
                tick();
            if (level->getState() == JTApp::GameSceneBase::kStateGameOver) continue;
            // The whole pool after him, from below.
            const auto& enemies = level->getEnemyPool();
            for (int i = 0; i < enemies->size(); ++i) {
                enemies->getAs<JTApp::LevelEnemy_Enemy>(i)->place(static_cast<float>(80 * i),
                                                                  static_cast<float>(level->getScroll()));
            }
            return;
        }
    };
    startBusy();
    for (auto _ : state) {
        tick();
        if (level->getState() == JTApp::GameSceneBase::kStateGameOver) {
            state.PauseTiming();
            startBusy();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    level.reset();
    context->setGameView(nullptr);
    context->setLevelManager(nullptr);
}
BENCHMARK(BM_LevelEnemyTickBusy);

}  // namespace

// Level Colors' tick at a busy moment: 3000 units up, platforms the hero has left are falling and
// a chain label is counting down.
#include "levels/LevelColors.h"

namespace {

class ColorsOnly : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(32);
        info->setName(makeRef<JTCore::JTString>("Level: Colors"));
        infos->add(info);
    }
    void startLevelScene(int) override {}
};

void BM_LevelColorsTickMidGame(benchmark::State& state) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) {
        state.SkipWithError("no headless GL context");
        return;
    }
    gl->makeCurrent();
    JTAppBase::JTRandom::current().seed(32);
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    fakes::FakeTilt tilt;
    view.tilt = &tilt;
    auto context = makeRef<JTAppBase::JTAppContext>();
    auto manager = makeRef<ColorsOnly>(context.get());
    manager->reloadLevels();
    context->setLevelManager(manager);
    context->setAppCore(&core);
    context->setGameView(&view);
    context->startLevel(32);
    context->getCanvas()->setCanvasSize(320, 480);

    Ref<JTApp::LevelColors> level;
    // A player aiming at the nearest platform that has not been landed on yet.
    auto tick = [&] {
        const float y = level->getHeroY();
        const float vy = level->getHeroVy();
        const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
        int target = -1;
        float best = 0;
        for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
            const int kind = level->platformKind(i);
            if (kind < 1 || kind > JTApp::LevelColors::kColorCount) continue;
            const float top = static_cast<float>(level->platformY(i) + 32);
            const bool wanted = vy > 0 ? top > y + 1 && top < y + rise : top <= y;
            if (wanted && (target < 0 || (vy > 0 ? top < best : top > best))) {
                target = i;
                best = top;
            }
        }
        tilt.accel =
            target < 0 ? 0 : std::clamp((level->platformX(target) - level->getHeroX()) / 40.0, -1.0, 1.0);
        auto canvas = context->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core.sounds.clear();
    };
    auto startBusy = [&] {
        for (;;) {
            level = makeRef<JTApp::LevelColors>(context.get());
            while (level->getScroll() < 3000 && level->getState() != JTApp::GameSceneBase::kStateGameOver)
                tick();
            if (level->getState() != JTApp::GameSceneBase::kStateGameOver) return;
        }
    };
    startBusy();
    for (auto _ : state) {
        tick();
        if (level->getState() == JTApp::GameSceneBase::kStateGameOver) {
            state.PauseTiming();
            startBusy();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    level.reset();
    context->setGameView(nullptr);
    context->setLevelManager(nullptr);
}
BENCHMARK(BM_LevelColorsTickMidGame);

}  // namespace

// Level Trampoline's tick at a busy moment: 3000 units up, trampolines the hero has left sinking
// away and hamburgers waiting above him.
#include "levels/LevelTrampoline.h"

namespace {

class TrampolineOnly : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(31);
        info->setName(makeRef<JTCore::JTString>("Level: Trampoline"));
        infos->add(info);
    }
    void startLevelScene(int) override {}
};

void BM_LevelTrampolineTickBusy(benchmark::State& state) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) {
        state.SkipWithError("no headless GL context");
        return;
    }
    gl->makeCurrent();
    JTAppBase::JTRandom::current().seed(31);
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    fakes::FakeTilt tilt;
    view.tilt = &tilt;
    auto context = makeRef<JTAppBase::JTAppContext>();
    auto manager = makeRef<TrampolineOnly>(context.get());
    manager->reloadLevels();
    context->setLevelManager(manager);
    context->setAppCore(&core);
    context->setGameView(&view);
    context->startLevel(31);
    context->getCanvas()->setCanvasSize(320, 480);

    Ref<JTApp::LevelTrampoline> level;
    // A player aiming at the nearest trampoline that still stands.
    auto tick = [&] {
        const float y = level->getHeroY();
        const float vy = level->getHeroVy();
        const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
        int target = -1;
        float best = 0;
        for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
            if (level->platformKind(i) != JTApp::VerticalLevel::kSpringPlatform) continue;
            const float top = static_cast<float>(level->platformY(i) + 32);
            const bool wanted = vy > 0 ? top > y + 1 && top < y + rise : top <= y;
            if (wanted && (target < 0 || (vy > 0 ? top < best : top > best))) {
                target = i;
                best = top;
            }
        }
        tilt.accel =
            target < 0 ? 0 : std::clamp((level->platformX(target) - level->getHeroX()) / 40.0, -1.0, 1.0);
        auto canvas = context->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core.sounds.clear();
    };
    auto startBusy = [&] {
        for (;;) {
            level = makeRef<JTApp::LevelTrampoline>(context.get());
            while (level->getScroll() < 3000 && level->getState() != JTApp::GameSceneBase::kStateGameOver)
                tick();
            if (level->getState() != JTApp::GameSceneBase::kStateGameOver) return;
        }
    };
    startBusy();
    for (auto _ : state) {
        tick();
        if (level->getState() == JTApp::GameSceneBase::kStateGameOver) {
            state.PauseTiming();
            startBusy();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    level.reset();
    context->setGameView(nullptr);
    context->setLevelManager(nullptr);
}
BENCHMARK(BM_LevelTrampolineTickBusy);

}  // namespace

// Level Right's tick far along: the view scrolls every tick, platforms the hero has left are
// falling, those behind the left edge are freed and new ones generated ahead.
#include "levels/LevelRight.h"

namespace {

class RightOnly : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(25);
        info->setName(makeRef<JTCore::JTString>("Level: Right"));
        infos->add(info);
    }
    void startLevelScene(int) override {}
};

void BM_LevelRightTickFarAlong(benchmark::State& state) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) {
        state.SkipWithError("no headless GL context");
        return;
    }
    gl->makeCurrent();
    JTAppBase::JTRandom::current().seed(25);
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    fakes::FakeTilt tilt;
    view.tilt = &tilt;
    auto context = makeRef<JTAppBase::JTAppContext>();
    auto manager = makeRef<RightOnly>(context.get());
    manager->reloadLevels();
    context->setLevelManager(manager);
    context->setAppCore(&core);
    context->setGameView(&view);
    context->startLevel(25);
    context->getCanvas()->setCanvasSize(320, 480);

    Ref<JTApp::LevelRight> level;
    // Rising: toward the nearest standing platform ahead that the jump clears; falling: onto the
    // highest standing one below.
    auto tick = [&] {
        const float x = level->getHeroX();
        const float y = level->getHeroY();
        const float vy = level->getHeroVy();
        const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
        int target = -1;
        for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
            if (level->platformKind(i) != JTApp::VerticalLevel::kPlatform) continue;
            const float top = static_cast<float>(level->platformY(i) + 32);
            const bool wanted = vy > 0 ? level->platformX(i) > x + 20 && top < y + rise : top <= y;
            if (wanted && (target < 0 || (vy > 0 ? level->platformX(i) < level->platformX(target)
                                                 : level->platformY(i) > level->platformY(target)))) {
                target = i;
            }
        }
        tilt.accel = target < 0 ? 1.0 : std::clamp((level->platformX(target) - x) / 40.0, -1.0, 1.0);
        auto canvas = context->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core.sounds.clear();
    };
    auto startFarAlong = [&] {
        for (;;) {
            level = makeRef<JTApp::LevelRight>(context.get());
            while (level->getScrollX() < 5000 && level->getState() != JTApp::GameSceneBase::kStateGameOver)
                tick();
            if (level->getState() != JTApp::GameSceneBase::kStateGameOver) return;
        }
    };
    startFarAlong();
    for (auto _ : state) {
        tick();
        if (level->getState() == JTApp::GameSceneBase::kStateGameOver) {
            state.PauseTiming();
            startFarAlong();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    level.reset();
    context->setGameView(nullptr);
    context->setLevelManager(nullptr);
}
BENCHMARK(BM_LevelRightTickFarAlong);

}  // namespace

// Level Enemy2's tick at a busy moment: 3000 units up, where rings come too, every foe of every
// kind on screen, the still ones firing spikes, and fireballs in flight from taps beside the hero.
#include "levels/LevelEnemy2.h"
#include "levels/LevelEnemy2_EnemyA.h"
#include "levels/LevelEnemy2_EnemyB.h"
#include "levels/LevelEnemy2_EnemyC.h"

namespace {

class Enemy2Only : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(28);
        info->setName(makeRef<JTCore::JTString>("Level: Enemy2"));
        infos->add(info);
    }
    void startLevelScene(int) override {}
};

void BM_LevelEnemy2TickBusy(benchmark::State& state) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) {
        state.SkipWithError("no headless GL context");
        return;
    }
    gl->makeCurrent();
    JTAppBase::JTRandom::current().seed(28);
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    fakes::FakeTilt tilt;
    view.tilt = &tilt;
    auto context = makeRef<JTAppBase::JTAppContext>();
    auto manager = makeRef<Enemy2Only>(context.get());
    manager->reloadLevels();
    context->setLevelManager(manager);
    context->setAppCore(&core);
    context->setGameView(&view);
    context->startLevel(28);
    context->getCanvas()->setCanvasSize(320, 480);

    Ref<JTApp::LevelEnemy2> level;
    int ticks = 0;
    auto tick = [&] {
        // Toward the nearest platform that can be landed on next, tapping beside the hero now and then.
        const float y = level->getHeroY();
        const float vy = level->getHeroVy();
        const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
        int target = -1;
        float best = 0;
        for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
            if (level->platformKind(i) == JTApp::VerticalLevel::kFree) continue;
            const float top = static_cast<float>(level->platformY(i) + 32);
            const bool wanted = vy > 0 ? top > y + 1 && top < y + rise : top <= y;
            if (wanted && (target < 0 || (vy > 0 ? top < best : top > best))) {
                target = i;
                best = top;
            }
        }
        tilt.accel =
            target < 0 ? 0 : std::clamp((level->platformX(target) - level->getHeroX()) / 40.0, -1.0, 1.0);
        const int phase = ticks++ % 40;
        if (phase == 0)
            context->setCurrentTouch(std::make_shared<fakes::FakeTouch>(ticks % 80 ? 10 : 310, 100));
        if (phase == 5) context->setCurrentTouch(nullptr);
        auto canvas = context->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core.sounds.clear();
    };
    auto startBusy = [&] {
        for (;;) {
            level = makeRef<JTApp::LevelEnemy2>(context.get());
            while (level->getScroll() < 3000 && level->getState() != JTApp::GameSceneBase::kStateGameOver)
                tick();
            if (level->getState() == JTApp::GameSceneBase::kStateGameOver) continue;
            // Every pool full, spread over the screen.
            const auto scroll = static_cast<float>(level->getScroll());
            for (int i = 0; i < JTApp::LevelEnemy2::kEnemiesPerKind; ++i) {
                level->getEnemyAPool()->getAs<JTApp::LevelEnemy2_EnemyA>(i)->place(80.0f * i, scroll);
                level->getEnemyBPool()->getAs<JTApp::LevelEnemy2_EnemyB>(i)->place(40.0f + 80 * i,
                                                                                   scroll + 600);
                level->getEnemyCPool()->getAs<JTApp::LevelEnemy2_EnemyC>(i)->place(scroll + 400, 0.1f,
                                                                                   0.8f * i);
            }
            return;
        }
    };
    startBusy();
    for (auto _ : state) {
        tick();
        if (level->getState() == JTApp::GameSceneBase::kStateGameOver) {
            state.PauseTiming();
            startBusy();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    level.reset();
    context->setGameView(nullptr);
    context->setLevelManager(nullptr);
}
BENCHMARK(BM_LevelEnemy2TickBusy);

}  // namespace

// Level Fall+Enemy2's tick at a busy moment: 3000 units up on dropping platforms, springs among
// them, every foe of every kind on screen and fireballs in flight from taps beside the hero.
#include "levels/FallingPlatforms.h"
#include "levels/LevelFallEnemy2.h"
#include "levels/LevelFallEnemy2_EnemyA.h"
#include "levels/LevelFallEnemy2_EnemyB.h"
#include "levels/LevelFallEnemy2_EnemyC.h"

namespace {

class FallEnemy2Only : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(30);
        info->setName(makeRef<JTCore::JTString>("Level: Fall+Enemy2"));
        infos->add(info);
    }
    void startLevelScene(int) override {}
};

void BM_LevelFallEnemy2TickBusy(benchmark::State& state) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) {
        state.SkipWithError("no headless GL context");
        return;
    }
    gl->makeCurrent();
    JTAppBase::JTRandom::current().seed(30);
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    fakes::FakeTilt tilt;
    view.tilt = &tilt;
    auto context = makeRef<JTAppBase::JTAppContext>();
    auto manager = makeRef<FallEnemy2Only>(context.get());
    manager->reloadLevels();
    context->setLevelManager(manager);
    context->setAppCore(&core);
    context->setGameView(&view);
    context->startLevel(30);
    context->getCanvas()->setCanvasSize(320, 480);

    Ref<JTApp::LevelFallEnemy2> level;
    int ticks = 0;
    auto tick = [&] {
        // Toward the nearest platform still standing, tapping beside the hero now and then.
        const float y = level->getHeroY();
        const float vy = level->getHeroVy();
        const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
        int target = -1;
        float best = 0;
        for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
            if (!JTApp::FallingPlatforms::isLandable(level->platformKind(i))) continue;
            const float top = static_cast<float>(level->platformY(i) + 32);
            const bool wanted = vy > 0 ? top > y + 1 && top < y + rise : top <= y;
            if (wanted && (target < 0 || (vy > 0 ? top < best : top > best))) {
                target = i;
                best = top;
            }
        }
        tilt.accel =
            target < 0 ? 0 : std::clamp((level->platformX(target) - level->getHeroX()) / 40.0, -1.0, 1.0);
        const int phase = ticks++ % 40;
        if (phase == 0)
            context->setCurrentTouch(std::make_shared<fakes::FakeTouch>(ticks % 80 ? 10 : 310, 100));
        if (phase == 5) context->setCurrentTouch(nullptr);
        auto canvas = context->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core.sounds.clear();
    };
    auto startBusy = [&] {
        for (;;) {
            level = makeRef<JTApp::LevelFallEnemy2>(context.get());
            while (level->getScroll() < 3000 && level->getState() != JTApp::GameSceneBase::kStateGameOver)
                tick();
            if (level->getState() == JTApp::GameSceneBase::kStateGameOver) continue;
            // Every pool full, spread over the screen.
            const auto scroll = static_cast<float>(level->getScroll());
            for (int i = 0; i < JTApp::LevelEnemy2::kEnemiesPerKind; ++i) {
                level->getEnemyAPool()->getAs<JTApp::LevelFallEnemy2_EnemyA>(i)->place(80.0f * i, scroll);
                level->getEnemyBPool()->getAs<JTApp::LevelFallEnemy2_EnemyB>(i)->place(40.0f + 80 * i,
                                                                                       scroll + 600);
                level->getEnemyCPool()->getAs<JTApp::LevelFallEnemy2_EnemyC>(i)->place(scroll + 400, 0.1f,
                                                                                       0.8f * i);
            }
            return;
        }
    };
    startBusy();
    for (auto _ : state) {
        tick();
        if (level->getState() == JTApp::GameSceneBase::kStateGameOver) {
            state.PauseTiming();
            startBusy();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    level.reset();
    context->setGameView(nullptr);
    context->setLevelManager(nullptr);
}
BENCHMARK(BM_LevelFallEnemy2TickBusy);

}  // namespace

// Level Right+Enemy's tick at a busy moment: 3000 along, the view scrolling, every enemy of the
// pool chasing the hero and fireballs in flight from taps ahead of him.
#include "levels/LevelRightEnemy.h"
#include "levels/LevelRightEnemy_Enemy.h"

namespace {

class RightEnemyOnly : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        auto info = newLevelInfo(29);
        info->setName(makeRef<JTCore::JTString>("Level: Right+Enemy"));
        infos->add(info);
    }
    void startLevelScene(int) override {}
};

void BM_LevelRightEnemyTickBusy(benchmark::State& state) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) {
        state.SkipWithError("no headless GL context");
        return;
    }
    gl->makeCurrent();
    JTAppBase::JTRandom::current().seed(29);
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    fakes::FakeTilt tilt;
    view.tilt = &tilt;
    auto context = makeRef<JTAppBase::JTAppContext>();
    auto manager = makeRef<RightEnemyOnly>(context.get());
    manager->reloadLevels();
    context->setLevelManager(manager);
    context->setAppCore(&core);
    context->setGameView(&view);
    context->startLevel(29);
    context->getCanvas()->setCanvasSize(320, 480);

    Ref<JTApp::LevelRightEnemy> level;
    int ticks = 0;
    // Rising: toward the nearest standing platform ahead that the jump clears; falling: onto the
    // highest standing one below. A tap ahead of the hero every 40 ticks.
    auto tick = [&] {
        const float x = level->getHeroX();
        const float y = level->getHeroY();
        const float vy = level->getHeroVy();
        const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
        int target = -1;
        for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
            if (level->platformKind(i) != JTApp::VerticalLevel::kPlatform) continue;
            const float top = static_cast<float>(level->platformY(i) + 32);
            const bool wanted = vy > 0 ? level->platformX(i) > x + 20 && top < y + rise : top <= y;
            if (wanted && (target < 0 || (vy > 0 ? level->platformX(i) < level->platformX(target)
                                                 : level->platformY(i) > level->platformY(target)))) {
                target = i;
            }
        }
        tilt.accel = target < 0 ? 1.0 : std::clamp((level->platformX(target) - x) / 40.0, -1.0, 1.0);
        const int phase = ticks++ % 40;
        if (phase == 0) context->setCurrentTouch(std::make_shared<fakes::FakeTouch>(300, 100));
        if (phase == 5) context->setCurrentTouch(nullptr);
        auto canvas = context->getCanvas();
        canvas->beginTick();
        level->tick();
        canvas->endTick();
        core.sounds.clear();
    };
    auto startBusy = [&] {
        for (;;) {
            level = makeRef<JTApp::LevelRightEnemy>(context.get());
            while (level->getScrollX() < 3000 && level->getState() != JTApp::GameSceneBase::kStateGameOver)
                tick();
            if (level->getState() == JTApp::GameSceneBase::kStateGameOver) continue;
            // The whole pool after him, from ahead and above.
            const auto& enemies = level->getEnemyPool();
            for (int i = 0; i < enemies->size(); ++i) {
                enemies->getAs<JTApp::LevelRightEnemy_Enemy>(i)->place(
                    static_cast<float>(level->getScrollX() + 320 + 80 * i), 600);
            }
            return;
        }
    };
    startBusy();
    for (auto _ : state) {
        tick();
        if (level->getState() == JTApp::GameSceneBase::kStateGameOver) {
            state.PauseTiming();
            startBusy();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    level.reset();
    context->setGameView(nullptr);
    context->setLevelManager(nullptr);
}
BENCHMARK(BM_LevelRightEnemyTickBusy);

}  // namespace
