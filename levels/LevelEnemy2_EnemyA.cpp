#include "levels/LevelEnemy2_EnemyA.h"

#include <bit>

#include "appbase/JTAppContext.h"
#include "levels/LevelEnemy2.h"

namespace JTApp {

namespace {

constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
// 0.9921875 per three ticks: damping that caps the chase speed.
constexpr float kDamping = std::bit_cast<float>(0x3F7F54E3u);
constexpr float kUnitsPerVelocity = 0.00390625f;  // 1/256
enum Texture { kTextureEnemyA = 11 };

}  // namespace

LevelEnemy2_EnemyA::LevelEnemy2_EnemyA(LevelEnemy2* scene) : LevelEnemy2_EnemyBase(scene) {}

LevelEnemy2_EnemyA::~LevelEnemy2_EnemyA() = default;

void LevelEnemy2_EnemyA::place(float x, float y) {
    begin(x, y);
    vx_ = 0;
    vy_ = 0;
}

void LevelEnemy2_EnemyA::update() {
    if (updateShowingPoints()) return;
    auto s = scene();
    if (!s) return;
    const float dx = s->getHeroX() - x_;
    const float dy = s->getHeroY() - y_;
    s->hurtHeroNear(x_, y_);
    const int a = 25 + s->getDifficulty(s->getScroll()) / 200;
    // A difference of 0 pulls toward the positive side.
    const int ax = dx < 0 ? -a : a;
    const int ay = dy < 0 ? -a : a;
    vx_ = (vx_ + kThird * static_cast<float>(ax)) * kDamping;
    vy_ = (vy_ + kThird * static_cast<float>(ay)) * kDamping;
    x_ += (kThird * vx_) * kUnitsPerVelocity;
    y_ += (kThird * vy_) * kUnitsPerVelocity;
}

void LevelEnemy2_EnemyA::draw() {
    drawAt(kTextureEnemyA);
}

}  // namespace JTApp
