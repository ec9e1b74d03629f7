#include "levels/LevelEnemy_Enemy.h"

#include <bit>
#include <cmath>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTMath.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"
#include "levels/LevelEnemy.h"

namespace JTApp {

using JTCore::makeRef;
using JTCore::Ref;

namespace {

constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
// 0.9921875 per three ticks: damping that caps the chase speed.
constexpr float kDamping = std::bit_cast<float>(0x3F7F54E3u);
constexpr float kUnitsPerVelocity = 0.00390625f;  // 1/256
constexpr float kReach = 54;
enum Texture { kTextureEnemy = 11 };
enum Effect { kEffectHurt = 3, kEffectHit = 4 };

void playEffect(const LevelEnemy& scene, int n) {
    if (auto sound = scene.getSoundHelper()) sound->playEffect(n);
}

}  // namespace

LevelEnemy_Enemy::LevelEnemy_Enemy(LevelEnemy* scene) : scene_(scene) {
    auto context = scene->getAppContext();
    if (!context) return;
    label_ = context->createTextLabelFor(scene->getCanvas());
    label_->setStyle(0xFFFF6060u, 22.0f, 1, 128, 32);
    label_->setShadow(0xFF000000u, 1.0f, 1.0f);
}

LevelEnemy_Enemy::~LevelEnemy_Enemy() = default;

void LevelEnemy_Enemy::place(float x, float y) {
    activate();
    vx_ = 0;
    vy_ = 0;
    timer_ = 0;
    x_ = x;
    y_ = y;
    mode_ = kChasing;
}

void LevelEnemy_Enemy::hit(int points) {
    mode_ = kHit;
    // Keeps the points label clear of the screen's sides.
    x_ = JTAppBase::clampFloat(x_, 96, 544);
    timer_ = kPointsTicks;
    auto scene = scene_.lock();
    if (scene) {
        scene->addScore(points);
        playEffect(*scene, kEffectHit);
    }
    if (label_) {
        auto text = makeRef<JTCore::JTStringBuilder>();
        text->appendInt(points)->appendCString(" pts.");
        label_->setText(text->toString());
    }
}

void LevelEnemy_Enemy::update() {
    if (mode_ == kHit) {
        if (--timer_ <= 0) deactivate();
        return;
    }
    if (auto scene = scene_.lock()) chase(*scene);
}

void LevelEnemy_Enemy::chase(LevelEnemy& scene) {
    const float dx = scene.getHeroX() - x_;
    const float dy = scene.getHeroY() - y_;
    if (scene.getHurtTimer() == 0 && std::fabs(dx) <= kReach && std::fabs(dy) <= kReach) {
        scene.setHurtTimer(LevelEnemy::kHurtTicks);
        const int r = JTAppBase::randomRange(20, 30);
        // Always toward the middle of the world.
        const int side = scene.getHeroX() > 320 ? -1 : 1;
        scene.setKnockBackVx(static_cast<float>(r * side));
        playEffect(scene, kEffectHurt);
    }
    const int a = 25 + scene.getDifficulty(scene.getScroll()) / 200;
    const int ax = dx < 0 ? -a : a;
    const int ay = dy < 0 ? -a : a;
    vx_ += kThird * static_cast<float>(ax);
    vy_ += kThird * static_cast<float>(ay);
    vx_ *= kDamping;
    vy_ *= kDamping;
    x_ += (kThird * vx_) * kUnitsPerVelocity;
    y_ += (kThird * vy_) * kUnitsPerVelocity;
}

void LevelEnemy_Enemy::draw() {
    auto scene = scene_.lock();
    if (!scene) return;
    const auto sx = static_cast<float>(scene->toScreenX(static_cast<int>(x_)));
    const auto sy = static_cast<float>(scene->toScreenY(static_cast<int>(y_)));
    if (mode_ == kHit) {
        if (label_) label_->draw(sx, sy, 0.5f, 0.5f);
    } else {
        scene->getCanvas()->drawTexture(kTextureEnemy, sx, sy, 0.5f, 0.5f);
    }
}

}  // namespace JTApp
