#include "levels/LevelEnemy_Enemy.h"

#include <bit>
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
using JTCore::Ref;

namespace {

constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
// 0.9921875 per three ticks: damping that caps the chase speed.
constexpr float kDamping = std::bit_cast<float>(0x3F7F54E3u);
constexpr float kUnitsPerVelocity = 0.00390625f;  // 1/256
enum Texture { kTextureEnemy = 11 };
enum Effect { kEffectHit = 4 };

void playEffect(const VerticalLevel& level, int n) {
    if (auto sound = level.getSoundHelper()) sound->playEffect(n);
}

}  // namespace

LevelEnemy_Enemy::LevelEnemy_Enemy(EnemyShooting* scene) : level_(&scene->level()), scene_(scene) {
    auto context = scene->level().getAppContext();
    if (!context) return;
    label_ = context->createTextLabelFor(scene->level().getCanvas());
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
    auto level = level_.lock();
    mode_ = kHit;
    // Keeps the points label clear of the view's sides.
    const int64_t left = level ? scene_->viewLeft() : 0;
    x_ = JTAppBase::clampFloat(x_, static_cast<float>(left + 96), static_cast<float>(left + 544));
    timer_ = kPointsTicks;
    if (level) {
        level->addScore(points);
        playEffect(*level, kEffectHit);
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
    if (auto level = level_.lock()) chase(*level, *scene_);
}

int LevelEnemy_Enemy::pull(const EnemyShooting& scene) const {
    const VerticalLevel& level = scene.level();
    return 25 + level.getDifficulty(level.getScroll()) / 200;
}

float LevelEnemy_Enemy::damping() const {
    return kDamping;
}

void LevelEnemy_Enemy::chase(VerticalLevel& level, EnemyShooting& scene) {
    const float dx = level.getHeroX() - x_;
    const float dy = level.getHeroY() - y_;
    scene.hurtHeroNear(x_, y_);
    const int a = pull(scene);
    const int ax = dx < 0 ? -a : a;
    const int ay = dy < 0 ? -a : a;
    const float d = damping();
    vx_ += kThird * static_cast<float>(ax);
    vy_ += kThird * static_cast<float>(ay);
    vx_ *= d;
    vy_ *= d;
    x_ += (kThird * vx_) * kUnitsPerVelocity;
    y_ += (kThird * vy_) * kUnitsPerVelocity;
    if (isOutOfPlay(scene)) deactivate();
}

void LevelEnemy_Enemy::draw() {
    auto level = level_.lock();
    if (!level) return;
    const auto sx = static_cast<float>(level->toScreenX(static_cast<int>(x_)));
    const auto sy = static_cast<float>(level->toScreenY(static_cast<int>(y_)));
    if (mode_ == kHit) {
        if (label_) label_->draw(sx, sy, 0.5f, 0.5f);
    } else {
        level->getCanvas()->drawTexture(kTextureEnemy, sx, sy, 0.5f, 0.5f);
    }
}

}  // namespace JTApp
