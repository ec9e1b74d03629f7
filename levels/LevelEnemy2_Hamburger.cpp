#include "levels/LevelEnemy2_Hamburger.h"

#include <cmath>
#include <cstdint>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTMath.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"
#include "levels/LevelEnemy2.h"

namespace JTApp {

using JTCore::makeRef;

namespace {

constexpr float kReach = 64;
constexpr int kFirePerHamburger = 3;
enum Texture { kTextureHamburger = 9 };
enum Effect { kEffectTaken = 2 };

}  // namespace

LevelEnemy2_Hamburger::LevelEnemy2_Hamburger(LevelEnemy2* scene) : scene_(scene) {
    auto context = scene->getAppContext();
    if (!context) return;
    label_ = context->createTextLabelFor(scene->getCanvas());
    label_->setStyle(0xFFFFFF00u, 22.0f, 1, 128, 32);
    label_->setShadow(0xFF000000u, 1.0f, 1.0f);
    label_->setText(makeRef<JTCore::JTString>("Fire +3"));
}

LevelEnemy2_Hamburger::~LevelEnemy2_Hamburger() = default;

void LevelEnemy2_Hamburger::place(int x, int y) {
    activate();
    state_ = kWaiting;
    timer_ = 0;
    x_ = static_cast<float>(x);
    y_ = static_cast<float>(y);
}

void LevelEnemy2_Hamburger::update() {
    if (state_ == kTaken) {
        if (--timer_ <= 0) deactivate();
        return;
    }
    auto scene = scene_.lock();
    if (!scene) return;
    if (scene->getHurtTimer() == 0 && std::fabs(scene->getHeroX() - x_) <= kReach &&
        std::fabs(scene->getHeroY() - y_) <= kReach) {
        state_ = kTaken;
        // Keeps the text clear of the screen's sides.
        x_ = JTAppBase::clampFloat(x_, 96, 544);
        timer_ = kTextTicks;
        scene->addFire(kFirePerHamburger);
        if (auto sound = scene->getSoundHelper()) sound->playEffect(kEffectTaken);
    }
    // Scrolled off the bottom.
    if (y_ < static_cast<float>(static_cast<int64_t>(scene->getScroll()) - 64)) deactivate();
}

void LevelEnemy2_Hamburger::draw() {
    auto scene = scene_.lock();
    if (!scene) return;
    const auto sx = static_cast<float>(scene->toScreenX(static_cast<int>(x_)));
    const auto sy = static_cast<float>(scene->toScreenY(static_cast<int>(y_)));
    if (state_ == kTaken) {
        if (label_) label_->draw(sx, sy, 0.5f, 0.5f);
    } else {
        scene->getCanvas()->drawTexture(kTextureHamburger, sx, sy, 0.5f, 0.5f);
    }
}

}  // namespace JTApp
