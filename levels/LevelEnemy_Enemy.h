#pragma once
#include "levels/TaskBase.h"

namespace JTAppBase {
class JTTextLabel;
}

namespace JTApp {

class LevelEnemy;

// A homing enemy of Level Enemy: it is pulled toward the hero harder as the level gets harder,
// hurts him and flicks him toward the middle on contact, and once shot shows its points.
class LevelEnemy_Enemy : public TaskBase {
  public:
    enum Mode { kChasing = 0, kHit = 1 };
    // Ticks the points stay on screen.
    static constexpr int kPointsTicks = 180;

    explicit LevelEnemy_Enemy(LevelEnemy* scene);
    ~LevelEnemy_Enemy() override;

    void update() override;
    void draw() override;
    virtual void place(float x, float y);
    virtual void hit(int points);

    float getX() const { return x_; }
    float getY() const { return y_; }
    float getVx() const { return vx_; }
    float getVy() const { return vy_; }
    int getMode() const { return mode_; }
    int getTimer() const { return timer_; }

  private:
    void chase(LevelEnemy& scene);

    // Velocity in 1/256 units per three ticks.
    float vx_ = 0;
    float vy_ = 0;
    int timer_ = 0;
    float x_ = 0;
    float y_ = 0;
    int mode_ = kChasing;
    JTCore::JTWeakPtr<LevelEnemy> scene_;
    JTCore::Ref<JTAppBase::JTTextLabel> label_;
};

}  // namespace JTApp
