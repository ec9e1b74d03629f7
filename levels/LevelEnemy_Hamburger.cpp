#include "levels/LevelEnemy_Hamburger.h"

#include <cmath>
#include <cstdint>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTMath.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"
#include "levels/EnemyShooting.h"
#include "levels/VerticalLevel.h"

namespace JTApp {

using JTCore::makeRef;

namespace {

constexpr float kReach = 64;
constexpr int kFirePerHamburger = 3;
enum Texture { kTextureHamburger = 9 };
enum Effect { kEffectEaten = 2 };

}  // namespace

LevelEnemy_Hamburger::LevelEnemy_Hamburger(EnemyShooting* scene) : level_(&scene->level()), scene_(scene) {
    auto context = scene->level().getAppContext();
    if (!context) return;
    label_ = context->createTextLabelFor(scene->level().getCanvas());
    label_->setStyle(0xFFFFFF00u, 22.0f, 1, 128, 32);
    label_->setShadow(0xFF000000u, 1.0f, 1.0f);
    label_->setText(makeRef<JTCore::JTString>("Fire +3"));
}

LevelEnemy_Hamburger::~LevelEnemy_Hamburger() = default;

void LevelEnemy_Hamburger::place(int x, int y) {
    activate();
    mode_ = kWaiting;
    timer_ = 0;
    x_ = static_cast<float>(x);
    y_ = static_cast<float>(y);
}

void LevelEnemy_Hamburger::update() {
    if (mode_ == kEaten) {
        if (--timer_ <= 0) deactivate();
        return;
    }
    auto level = level_.lock();
    if (!level) return;
    if (scene_->getHurtTimer() == 0 && std::fabs(level->getHeroX() - x_) <= kReach &&
        std::fabs(level->getHeroY() - y_) <= kReach) {
        mode_ = kEaten;
        // Keeps the text clear of the view's sides.
        const int64_t left = scene_->viewLeft();
        x_ = JTAppBase::clampFloat(x_, static_cast<float>(left + 96), static_cast<float>(left + 544));
        timer_ = kTextTicks;
        scene_->addFire(kFirePerHamburger);
        if (auto sound = level->getSoundHelper()) sound->playEffect(kEffectEaten);
    }
    if (isOutOfSight(*scene_)) deactivate();
}

bool LevelEnemy_Hamburger::isOutOfSight(const EnemyShooting& scene) const {
    // Scrolled off the bottom.
    return y_ < static_cast<float>(scene.level().getScroll() - 64);
}

void LevelEnemy_Hamburger::draw() {
    auto level = level_.lock();
    if (!level) return;
    const auto sx = static_cast<float>(level->toScreenX(static_cast<int>(x_)));
    const auto sy = static_cast<float>(level->toScreenY(static_cast<int>(y_)));
    if (mode_ == kEaten) {
        if (label_) label_->draw(sx, sy, 0.5f, 0.5f);
    } else {
        level->getCanvas()->drawTexture(kTextureHamburger, sx, sy, 0.5f, 0.5f);
    }
}

}  // namespace JTApp
