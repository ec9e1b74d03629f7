#include "levels/LevelEnemy2_Toge.h"

#include <bit>
#include <cstdint>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "levels/LevelEnemy2.h"

namespace JTApp {

namespace {

constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
enum Texture { kTextureToge = 17 };

}  // namespace

LevelEnemy2_Toge::LevelEnemy2_Toge(LevelEnemy2* scene) : scene_(scene) {}

LevelEnemy2_Toge::~LevelEnemy2_Toge() = default;

void LevelEnemy2_Toge::launch(float x, float y, float vx, float vy) {
    activate();
    x_ = x;
    y_ = y;
    vx_ = vx;
    vy_ = vy;
}

void LevelEnemy2_Toge::update() {
    x_ += vx_ * kThird;
    y_ += vy_ * kThird;
    auto scene = scene_.lock();
    if (!scene) return;
    if (x_ < -100 || x_ > 740) deactivate();
    const auto scroll = static_cast<int64_t>(scene->getScroll());
    if (y_ < static_cast<float>(scroll - 100) || y_ > static_cast<float>(scroll + 740)) deactivate();
    // Leaving or not, it still hurts on this last tick.
    scene->hurtHeroNear(x_, y_);
}

void LevelEnemy2_Toge::draw() {
    auto scene = scene_.lock();
    if (!scene) return;
    scene->getCanvas()->drawTexture(kTextureToge, static_cast<float>(scene->toScreenX(static_cast<int>(x_))),
                                    static_cast<float>(scene->toScreenY(static_cast<int>(y_))), 0.5f, 0.5f);
}

}  // namespace JTApp
