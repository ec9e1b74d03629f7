#pragma once
#include "levels/LevelEnemy2_EnemyBase.h"

namespace JTApp {

// The circling foe of Level Enemy2: spawned three at a time, a ring whose members share one
// centre height and speed and circle 120 degrees apart; the radius breathes and the centre sways
// left and right. It goes once its centre has scrolled off the bottom.
class LevelEnemy2_EnemyC : public LevelEnemy2_EnemyBase {
  public:
    explicit LevelEnemy2_EnemyC(LevelEnemy2* scene);
    ~LevelEnemy2_EnemyC() override;

    void update() override;
    void draw() override;
    // `speed` in radians per three ticks; `phase` is where on the circle it starts.
    virtual void place(float baseY, float speed, float phase);

    float getBaseY() const { return baseY_; }
    float getSpeed() const { return speed_; }
    float getPhaseA() const { return phaseA_; }
    float getPhaseB() const { return phaseB_; }
    float getPhaseC() const { return phaseC_; }

  private:
    void moveToPhases();

    float baseY_ = 0;
    float speed_ = 0;
    // Around the circle, the sway of the centre, and the breathing of the radius.
    float phaseA_ = 0;
    float phaseB_ = 0;
    float phaseC_ = 0;
};

}  // namespace JTApp
