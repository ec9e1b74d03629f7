#include "levels/LevelEnemy2_EnemyC.h"

#include <bit>
#include <cmath>

#include "appbase/JTAppContext.h"
#include "levels/LevelEnemy2.h"

namespace JTApp {

namespace {

constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
// The circle is flattened to two thirds of its width.
constexpr float kFlatten = 0.6666667f;
enum Texture { kTextureEnemyC = 16 };

// Sines and cosines in double precision, kept as floats.
float sinF(float a) {
    return static_cast<float>(std::sin(static_cast<double>(a)));
}
float cosF(float a) {
    return static_cast<float>(std::cos(static_cast<double>(a)));
}

}  // namespace

LevelEnemy2_EnemyC::LevelEnemy2_EnemyC(LevelEnemy2* scene) : LevelEnemy2_EnemyBase(scene) {}

LevelEnemy2_EnemyC::~LevelEnemy2_EnemyC() = default;

void LevelEnemy2_EnemyC::place(float baseY, float speed, float phase) {
    begin(0, 0);
    baseY_ = baseY;
    speed_ = speed;
    phaseA_ = phase;
    phaseB_ = 0;
    phaseC_ = 0;
    moveToPhases();
}

void LevelEnemy2_EnemyC::moveToPhases() {
    const float r = 100 + 40 * sinF(phaseC_);
    x_ = 320 + 200 * sinF(phaseB_) + r * cosF(phaseA_);
    y_ = baseY_ + r * sinF(phaseA_) * kFlatten;
}

void LevelEnemy2_EnemyC::update() {
    if (updateShowingPoints()) return;
    auto s = scene();
    if (!s) return;
    phaseA_ += kThird * speed_;
    phaseB_ += kThird * (speed_ * 0.7f);
    phaseC_ += kThird * (speed_ * 0.3f);
    moveToPhases();
    s->hurtHeroNear(x_, y_);
    if (baseY_ < static_cast<float>(s->getScroll() - 100)) deactivate();
}

void LevelEnemy2_EnemyC::draw() {
    drawAt(kTextureEnemyC);
}

}  // namespace JTApp
