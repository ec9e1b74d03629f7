#include "levels/LevelEnemy2_Tama.h"

#include <bit>
#include <cmath>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTSoundHelper.h"
#include "levels/LevelEnemy2.h"
#include "levels/LevelEnemy2_EnemyBase.h"

namespace JTApp {

namespace {

constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
constexpr float kReach = 54;
// Circling foes come three at a time and are worth less each.
constexpr int kPointsPerHit = 500;
constexpr int kPointsPerRingHit = 200;
// The image trails the fireball's position by this many screen points.
constexpr int kTrail = 20;
enum Texture { kTextureLeft = 12, kTextureRight = 13 };
enum Effect { kEffectHit = 4 };

}  // namespace

LevelEnemy2_Tama::LevelEnemy2_Tama(LevelEnemy2* scene) : scene_(scene) {}

LevelEnemy2_Tama::~LevelEnemy2_Tama() = default;

void LevelEnemy2_Tama::launch(float x, float y, float vx) {
    activate();
    x_ = x;
    y_ = y;
    vx_ = vx;
    hits_ = 0;
}

void LevelEnemy2_Tama::update() {
    x_ += vx_ * kThird;
    // Well past either side: back to the pool, though it still hits on this last tick.
    if (x_ < -100 || x_ > 740) deactivate();
    auto scene = scene_.lock();
    if (!scene) return;
    // The count of hits runs on across the kinds.
    hitFlyingIn(*scene, scene->getEnemyAPool(), kPointsPerHit);
    hitFlyingIn(*scene, scene->getEnemyBPool(), kPointsPerHit);
    hitFlyingIn(*scene, scene->getEnemyCPool(), kPointsPerRingHit);
}

void LevelEnemy2_Tama::hitFlyingIn(LevelEnemy2& scene, const JTCore::Ref<JTCore::JTArrayList>& pool,
                                   int pointsPerHit) {
    const int n = pool->size();
    for (int i = 0; i < n; ++i) {
        auto enemy = pool->getAs<LevelEnemy2_EnemyBase>(i);
        if (!enemy || !enemy->isActive() || enemy->getState() != LevelEnemy2_EnemyBase::kFlying) continue;
        if (std::fabs(enemy->getX() - x_) > kReach || std::fabs(enemy->getY() - y_) > kReach) continue;
        ++hits_;
        const int points = hits_ * pointsPerHit;
        enemy->hit(points);
        scene.addScore(points);
        if (auto sound = scene.getSoundHelper()) sound->playEffect(kEffectHit);
    }
}

void LevelEnemy2_Tama::draw() {
    auto scene = scene_.lock();
    if (!scene) return;
    const bool left = vx_ < 0;
    const int sx = scene->toScreenX(static_cast<int>(x_)) + (left ? kTrail : -kTrail);
    const int sy = scene->toScreenY(static_cast<int>(y_));
    scene->getCanvas()->drawTexture(left ? kTextureLeft : kTextureRight, static_cast<float>(sx),
                                    static_cast<float>(sy), 0.5f, 0.5f);
}

}  // namespace JTApp
