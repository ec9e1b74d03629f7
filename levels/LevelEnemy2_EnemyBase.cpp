#include "levels/LevelEnemy2_EnemyBase.h"

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTMath.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"
#include "levels/LevelEnemy2.h"

namespace JTApp {

using JTCore::makeRef;

namespace {

enum Effect { kEffectHit = 4 };

}  // namespace

LevelEnemy2_EnemyBase::LevelEnemy2_EnemyBase(LevelEnemy2* scene) : scene_(scene) {
    auto context = scene->getAppContext();
    if (!context) return;
    label_ = context->createTextLabelFor(scene->getCanvas());
    label_->setStyle(0xFFFF6060u, 22.0f, 1, 128, 32);
    label_->setShadow(0xFF000000u, 1.0f, 1.0f);
}

LevelEnemy2_EnemyBase::~LevelEnemy2_EnemyBase() = default;

void LevelEnemy2_EnemyBase::begin(float x, float y) {
    activate();
    timer_ = 0;
    state_ = kFlying;
    x_ = x;
    y_ = y;
}

void LevelEnemy2_EnemyBase::hit(int points) {
    state_ = kShowingPoints;
    // Keeps the points label clear of the screen's sides.
    x_ = JTAppBase::clampFloat(x_, 96, 544);
    timer_ = kPointsTicks;
    if (auto s = scene()) {
        s->addScore(points);
        if (auto sound = s->getSoundHelper()) sound->playEffect(kEffectHit);
    }
    if (label_) {
        auto text = makeRef<JTCore::JTStringBuilder>();
        text->appendInt(points)->appendCString(" pts.");
        label_->setText(text->toString());
    }
}

bool LevelEnemy2_EnemyBase::updateShowingPoints() {
    if (state_ != kShowingPoints) return false;
    if (--timer_ <= 0) deactivate();
    return true;
}

void LevelEnemy2_EnemyBase::drawAt(int texture, float scale) {
    auto s = scene();
    if (!s) return;
    const auto sx = static_cast<float>(s->toScreenX(static_cast<int>(x_)));
    const auto sy = static_cast<float>(s->toScreenY(static_cast<int>(y_)));
    if (state_ == kShowingPoints) {
        if (label_) label_->draw(sx, sy, 0.5f, 0.5f);
    } else if (scale != 1.0f) {
        s->getCanvas()->drawTextureScaled(texture, sx, sy, 0.5f, 0.5f, scale, scale);
    } else {
        s->getCanvas()->drawTexture(texture, sx, sy, 0.5f, 0.5f);
    }
}

}  // namespace JTApp
