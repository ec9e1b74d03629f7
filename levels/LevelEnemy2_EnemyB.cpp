#include "levels/LevelEnemy2_EnemyB.h"

#include <cmath>

#include "appbase/JTAppContext.h"
#include "appbase/JTMath.h"
#include "appbase/JTSoundHelper.h"
#include "levels/LevelEnemy2.h"
#include "levels/LevelEnemy2_Toge.h"

namespace JTApp {

namespace {

constexpr float kTogeSpeed = 6;
enum Texture { kTextureEnemyB = 15 };
enum Effect { kEffectSpike = 8 };

}  // namespace

LevelEnemy2_EnemyB::LevelEnemy2_EnemyB(LevelEnemy2* scene) : LevelEnemy2_EnemyBase(scene) {}

LevelEnemy2_EnemyB::~LevelEnemy2_EnemyB() = default;

int LevelEnemy2_EnemyB::getFireInterval() {
    auto s = scene();
    const int d = s ? s->getDifficulty(s->getScroll()) : 0;
    return (JTAppBase::scaleByRatio(3000, 4096, d) + 100) / 10;
}

void LevelEnemy2_EnemyB::place(float x, float y) {
    begin(x, y);
    shotInterval_ = getFireInterval();
    shotCountdown_ = shotInterval_;
}

void LevelEnemy2_EnemyB::update() {
    if (updateShowingPoints()) return;
    auto s = scene();
    if (!s) return;
    const float dx = s->getHeroX() - x_;
    const float dy = s->getHeroY() - y_;
    s->hurtHeroNear(x_, y_);
    if (--shotCountdown_ <= 0) {
        const double angle =
            dx == 0 && dy == 0 ? 0.0 : std::atan2(static_cast<double>(dy), static_cast<double>(dx));
        if (auto toge = JTCore::dynamicRef<LevelEnemy2_Toge>(TaskBase::findInactive(s->getTogePool()))) {
            if (auto sound = s->getSoundHelper()) sound->playEffect(kEffectSpike);
            toge->launch(x_, y_, static_cast<float>(std::cos(angle)) * kTogeSpeed,
                         static_cast<float>(std::sin(angle)) * kTogeSpeed);
        }
        // With every spike in flight this shot is lost; the next waits a full interval.
        shotInterval_ = getFireInterval();
        shotCountdown_ = shotInterval_;
    }
    if (y_ < static_cast<float>(s->getScroll() - 100)) deactivate();
}

float LevelEnemy2_EnemyB::drawScale() const {
    const int c = shotCountdown_;
    const int n = shotInterval_;
    if (c < 100) return 1 + static_cast<float>(100 - c) * 0.2f / 100;
    if (c > n - 25) return 1 + static_cast<float>(c - (n - 25)) * 0.2f / 25;
    return 1;
}

void LevelEnemy2_EnemyB::draw() {
    drawAt(kTextureEnemyB, drawScale());
}

}  // namespace JTApp
