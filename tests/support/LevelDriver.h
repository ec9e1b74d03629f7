#pragma once
// Drives a level scene the way the game view does, against fake shell pieces: one context with
// the level current, its own seeded random generator, and tilt, touch and key input per tick.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "appbase/JTAppContext.h"
#include "appbase/JTRandom.h"
#include "support/FakeShell.h"

namespace JTApp {
class VerticalLevel;
}

namespace testsupport {

class LevelDriver {
  public:
    // Makes `levelId` (named `name`) the current level and installs a generator seeded with
    // `seed` as the current one until the driver goes.
    explicit LevelDriver(uint64_t seed = 1, int levelId = 20, const std::string& name = "Level: Normal");
    ~LevelDriver();
    LevelDriver(const LevelDriver&) = delete;
    LevelDriver& operator=(const LevelDriver&) = delete;

    JTAppBase::JTAppContext* context() const { return context_.get(); }

    // One game-view tick with the given horizontal tilt: the canvas's touch records, the scene's
    // tick, the canvas's end of tick.
    void tick(JTAppBase::JTScene& scene, double tilt = 0);
    // `ticks` ticks at one tilt, or one tick per tilt value.
    void run(JTAppBase::JTScene& scene, int ticks, double tilt = 0);
    void run(JTAppBase::JTScene& scene, const std::vector<double>& tilts);
    // One frame as the game view draws it (needs a current GL context).
    void render(JTAppBase::JTScene& scene);

    // A finger down at canvas point (x, y) from the next tick on, until `release`.
    void touch(float x, float y);
    void release();
    // Key bits the key helper reports from the next tick on.
    void setKeys(int bits);

    // A tilt that steers the hero of a climbing level toward the next platform up while he rises
    // and onto the highest one below him while he falls: a player that keeps climbing.
    static double autopilotTilt(const JTApp::VerticalLevel& level);

    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    fakes::FakeTilt tilt;

  private:
    class Context;
    JTCore::Ref<JTAppBase::JTAppContext> context_;
    Context* keyedContext_ = nullptr;  // the same object, seen with its key helper
    std::shared_ptr<JTAppBase::JTRandom> previousRandom_;
};

}  // namespace testsupport
