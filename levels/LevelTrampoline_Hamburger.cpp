#include "levels/LevelTrampoline_Hamburger.h"

#include <cmath>
#include <cstdint>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTMath.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"
#include "levels/LevelTrampoline.h"

namespace JTApp {

using JTCore::makeRef;

namespace {

constexpr float kReach = 64;
constexpr int64_t kBelowScreen = 64;
enum Texture { kTextureHamburger = 9 };
enum Effect { kEffectEaten = 2 };

}  // namespace

LevelTrampoline_Hamburger::LevelTrampoline_Hamburger(LevelTrampoline* scene) : scene_(scene) {
    auto context = scene->getAppContext();
    if (!context) return;
    label_ = context->createTextLabelFor(scene->getCanvas());
    label_->setStyle(0xFFFFFF00u, 22.0f, 1, 128, 32);
    label_->setShadow(0xFF000000u, 1.0f, 1.0f);
    label_->setText(makeRef<JTCore::JTString>("300"));
}

LevelTrampoline_Hamburger::~LevelTrampoline_Hamburger() = default;

void LevelTrampoline_Hamburger::place(int x, int y) {
    activate();
    mode_ = kWaiting;
    timer_ = 0;
    x_ = static_cast<float>(x);
    y_ = static_cast<float>(y);
}

void LevelTrampoline_Hamburger::update() {
    if (mode_ == kEaten) {
        if (--timer_ <= 0) deactivate();
        return;
    }
    auto scene = scene_.lock();
    if (!scene) return;
    // Nothing hurts the hero in this level: he can always eat.
    if (std::fabs(scene->getHeroX() - x_) <= kReach && std::fabs(scene->getHeroY() - y_) <= kReach) {
        mode_ = kEaten;
        // Keeps the text clear of the screen's sides.
        x_ = JTAppBase::clampFloat(x_, 96, 544);
        timer_ = kTextTicks;
        scene->addScore(kPoints);
        if (auto sound = scene->getSoundHelper()) sound->playEffect(kEffectEaten);
    }
    // Scrolled off the bottom (64-bit: the screen's height less 64 cannot wrap round).
    if (y_ < static_cast<float>(scene->getScroll() - kBelowScreen)) deactivate();
}

void LevelTrampoline_Hamburger::draw() {
    auto scene = scene_.lock();
    if (!scene) return;
    const auto sx = static_cast<float>(scene->toScreenX(static_cast<int>(x_)));
    const auto sy = static_cast<float>(scene->toScreenY(static_cast<int>(y_)));
    if (mode_ == kEaten) {
        if (label_) label_->draw(sx, sy, 0.5f, 0.5f);
    } else {
        scene->getCanvas()->drawTexture(kTextureHamburger, sx, sy, 0.5f, 0.5f);
    }
}

}  // namespace JTApp
