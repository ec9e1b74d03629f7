#include "support/LevelDriver.h"

#include <algorithm>

#include "appbase/JTCanvas.h"
#include "appbase/JTKeyHelper.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/JTLevelManager.h"
#include "core/JTArrayList.h"
#include "levels/VerticalLevel.h"

namespace testsupport {

using JTCore::makeRef;
using JTCore::Ref;

namespace {

class Keys : public JTAppBase::JTKeyHelper {
  public:
    using JTKeyHelper::JTKeyHelper;
    int getKeyState() override { return bits; }
    int bits = 0;
};

// A catalog of one level; starting it makes no scene (the test makes its own).
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

}  // namespace

// A context whose key helper reports what the test presses.
class LevelDriver::Context : public JTAppBase::JTAppContext {
  public:
    Context() : keys_(makeRef<Keys>(this)) {}
    Ref<JTAppBase::JTKeyHelper> getKeyHelper() const override { return keys_; }
    void setKeys(int bits) { keys_->bits = bits; }

  private:
    Ref<Keys> keys_;
};

LevelDriver::LevelDriver(uint64_t seed, int levelId, const std::string& name) {
    previousRandom_ = JTAppBase::JTRandom::setCurrent(std::make_shared<JTAppBase::JTRandom>(seed));
    core.levelId = levelId;
    view.tilt = &tilt;
    auto context = makeRef<Context>();
    keyedContext_ = context.get();
    context_ = context;
    auto manager = makeRef<OneLevelManager>(context_.get(), levelId, name);
    manager->reloadLevels();
    context_->setLevelManager(manager);
    context_->setAppCore(&core);
    context_->setGameView(&view);
    context_->startLevel(levelId);
    context_->getCanvas()->setCanvasSize(320, 480);
}

LevelDriver::~LevelDriver() {
    context_->setGameView(nullptr);
    context_->setLevelManager(nullptr);
    JTAppBase::JTRandom::setCurrent(previousRandom_);
}

void LevelDriver::tick(JTAppBase::JTScene& scene, double tiltValue) {
    tilt.accel = tiltValue;
    auto canvas = context_->getCanvas();
    canvas->beginTick();
    scene.tick();
    canvas->endTick();
}

void LevelDriver::run(JTAppBase::JTScene& scene, int ticks, double tiltValue) {
    for (int i = 0; i < ticks; ++i) tick(scene, tiltValue);
}

void LevelDriver::run(JTAppBase::JTScene& scene, const std::vector<double>& tilts) {
    for (double t : tilts) tick(scene, t);
}

void LevelDriver::render(JTAppBase::JTScene& scene) {
    auto canvas = context_->getCanvas();
    canvas->beginRender();
    scene.render();
    canvas->endRender();
}

double LevelDriver::autopilotTilt(const JTApp::VerticalLevel& level) {
    const float x = level.getHeroX();
    const float y = level.getHeroY();
    const float vy = level.getHeroVy();
    // How much higher the hero still gets on this jump.
    const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
    int target = -1;
    for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
        if (level.platformKind(i) == JTApp::VerticalLevel::kFree) continue;
        const float top = static_cast<float>(level.platformY(i) + 32);
        const bool wanted = vy > 0 ? top > y + 1 && top < y + rise : top <= y;
        if (!wanted) continue;
        const float best = target < 0 ? 0 : static_cast<float>(level.platformY(target) + 32);
        if (target < 0 || (vy > 0 ? top < best : top > best)) target = i;
    }
    if (target < 0) return 0;
    const double dx = static_cast<double>(level.platformX(target)) - x;
    return std::clamp(dx / 40.0, -1.0, 1.0);
}

void LevelDriver::touch(float x, float y) {
    context_->setCurrentTouch(std::make_shared<fakes::FakeTouch>(x, y));
}

void LevelDriver::release() {
    context_->setCurrentTouch(nullptr);
}

void LevelDriver::setKeys(int bits) {
    keyedContext_->setKeys(bits);
}

}  // namespace testsupport
