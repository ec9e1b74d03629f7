#include "levels/LevelEnemy_Tama.h"

#include <bit>
#include <cmath>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTSoundHelper.h"
#include "levels/EnemyShooting.h"
#include "levels/LevelEnemy_Enemy.h"
#include "levels/VerticalLevel.h"

namespace JTApp {

namespace {

constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
constexpr float kReach = 54;
constexpr int kPointsPerHit = 500;
// The image trails the fireball's position by this many screen points.
constexpr int kTrail = 20;
enum Texture { kTextureLeft = 12, kTextureRight = 13 };
enum Effect { kEffectHit = 4 };

}  // namespace

LevelEnemy_Tama::LevelEnemy_Tama(EnemyShooting* scene) : level_(&scene->level()), scene_(scene) {}

LevelEnemy_Tama::~LevelEnemy_Tama() = default;

void LevelEnemy_Tama::launch(float x, float y, float vx) {
    activate();
    x_ = x;
    y_ = y;
    vx_ = vx;
    hits_ = 0;
}

void LevelEnemy_Tama::update() {
    x_ += vx_ * kThird;
    auto level = level_.lock();
    // Well past either side of the view: back to the pool, though it still hits on this last
    // tick.
    const float offset = x_ - static_cast<float>(level ? scene_->viewLeft() : 0);
    if (offset < -100 || offset > 740) deactivate();
    if (!level) return;
    const auto& enemies = scene_->getEnemyPool();
    const int n = enemies->size();
    for (int i = 0; i < n; ++i) {
        auto enemy = enemies->getAs<LevelEnemy_Enemy>(i);
        if (!enemy || !enemy->isActive() || enemy->getMode() != LevelEnemy_Enemy::kChasing) continue;
        if (std::fabs(enemy->getX() - x_) > kReach || std::fabs(enemy->getY() - y_) > kReach) continue;
        ++hits_;
        const int points = hits_ * kPointsPerHit;
        enemy->hit(points);
        level->addScore(points);
        if (auto sound = level->getSoundHelper()) sound->playEffect(kEffectHit);
    }
}

void LevelEnemy_Tama::draw() {
    auto level = level_.lock();
    if (!level) return;
    const bool left = vx_ < 0;
    const int sx = level->toScreenX(static_cast<int>(x_)) + (left ? kTrail : -kTrail);
    const int sy = level->toScreenY(static_cast<int>(y_));
    level->getCanvas()->drawTexture(left ? kTextureLeft : kTextureRight, static_cast<float>(sx),
                                    static_cast<float>(sy), 0.5f, 0.5f);
}

}  // namespace JTApp
