#pragma once
#include "levels/TaskBase.h"

namespace JTAppBase {
class JTTextLabel;
}

namespace JTApp {

class EnemyShooting;
class VerticalLevel;

// A homing enemy of Level Enemy: it is pulled toward the hero harder as the level gets harder,
// hurts him and flicks him toward the middle on contact, and once shot shows its points. The
// other shooting levels derive their enemies from it and vary the chase through the hooks.
class LevelEnemy_Enemy : public TaskBase {
  public:
    enum Mode { kChasing = 0, kHit = 1 };
    // Ticks the points stay on screen.
    static constexpr int kPointsTicks = 180;

    // An enemy of the shooting level `scene` (Level Enemy or one built like it).
    explicit LevelEnemy_Enemy(EnemyShooting* scene);
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

  protected:
    // The pull toward the hero, in velocity units per three ticks: stronger as the level gets
    // harder.
    virtual int pull(const EnemyShooting& scene) const;
    // What is left of the velocity after each tick.
    virtual float damping() const;
    // Checked after each move: an enemy out of play goes back to the pool. Here it never is: it
    // chases the hero until it is shot.
    virtual bool isOutOfPlay(const EnemyShooting& scene) const { return false; }

  private:
    void chase(VerticalLevel& level, EnemyShooting& scene);

    // Velocity in 1/256 units per three ticks.
    float vx_ = 0;
    float vy_ = 0;
    int timer_ = 0;
    float x_ = 0;
    float y_ = 0;
    int mode_ = kChasing;
    JTCore::JTWeakPtr<VerticalLevel> level_;
    // The shooting part of the same object as level_: valid whenever level_ locks.
    EnemyShooting* scene_;
    JTCore::Ref<JTAppBase::JTTextLabel> label_;
};

}  // namespace JTApp
