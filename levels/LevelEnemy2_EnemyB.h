#pragma once
#include "levels/LevelEnemy2_EnemyBase.h"

namespace JTApp {

// The still foe of Level Enemy2: it stays where it appeared and fires a spike at the hero every
// interval, more often as the level gets harder, swelling before each shot. It goes once it has
// scrolled off the bottom.
class LevelEnemy2_EnemyB : public LevelEnemy2_EnemyBase {
  public:
    explicit LevelEnemy2_EnemyB(LevelEnemy2* scene);
    ~LevelEnemy2_EnemyB() override;

    void update() override;
    void draw() override;
    // Ticks between two shots at the current height: 310 at difficulty 0, falling toward 10.
    virtual int getFireInterval();
    virtual void place(float x, float y);

    int getShotCountdown() const { return shotCountdown_; }
    int getShotInterval() const { return shotInterval_; }
    // How big it is drawn: it grows over the last 100 ticks before a shot and shrinks back over
    // the first 25 after it.
    float drawScale() const;

  private:
    int shotCountdown_ = 0;
    int shotInterval_ = 0;
};

}  // namespace JTApp
