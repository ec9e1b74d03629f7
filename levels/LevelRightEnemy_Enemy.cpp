#include "levels/LevelRightEnemy_Enemy.h"

#include <bit>
#include <cstdint>

#include "appbase/JTAppContext.h"
#include "levels/LevelRightEnemy.h"

namespace JTApp {

namespace {

constexpr int kPull = 25;
// 0.99609375 per three ticks.
constexpr float kDamping = std::bit_cast<float>(0x3F7FAA8Eu);
// How far behind the view's left edge an enemy may fall before it is given up.
constexpr int kLeftBehind = 1280;

}  // namespace

LevelRightEnemy_Enemy::LevelRightEnemy_Enemy(LevelRightEnemy* scene) : LevelEnemy_Enemy(scene) {}

int LevelRightEnemy_Enemy::pull(const EnemyShooting&) const {
    return kPull;
}

float LevelRightEnemy_Enemy::damping() const {
    return kDamping;
}

bool LevelRightEnemy_Enemy::isOutOfPlay(const EnemyShooting& scene) const {
    return getX() < static_cast<float>(static_cast<int64_t>(scene.viewLeft()) - kLeftBehind);
}

}  // namespace JTApp
