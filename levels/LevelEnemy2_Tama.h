#pragma once
#include "levels/TaskBase.h"

namespace JTApp {

class LevelEnemy2;

// A fireball of Level Enemy2: it flies level, left or right, through every foe in its way, and
// each foe it hits is worth more than the one before.
class LevelEnemy2_Tama : public TaskBase {
  public:
    explicit LevelEnemy2_Tama(LevelEnemy2* scene);
    ~LevelEnemy2_Tama() override;

    void update() override;
    void draw() override;
    virtual void launch(float x, float y, float vx);

    float getX() const { return x_; }
    float getY() const { return y_; }
    float getVx() const { return vx_; }
    int getHits() const { return hits_; }

  private:
    void hitFlyingIn(LevelEnemy2& scene, const JTCore::Ref<JTCore::JTArrayList>& pool, int pointsPerHit);

    float x_ = 0;
    float y_ = 0;
    float vx_ = 0;
    int hits_ = 0;
    JTCore::JTWeakPtr<LevelEnemy2> scene_;
};

}  // namespace JTApp
