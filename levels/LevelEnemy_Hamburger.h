#pragma once
#include "levels/TaskBase.h"

namespace JTAppBase {
class JTTextLabel;
}

namespace JTApp {

class EnemyShooting;
class VerticalLevel;

// A hamburger of Level Enemy: waiting above the hero, it gives three fireballs when he reaches
// it unhurt, and goes once it has scrolled off the bottom. The other shooting levels derive
// their hamburgers from it and say when one is out of sight.
class LevelEnemy_Hamburger : public TaskBase {
  public:
    enum Mode { kWaiting = 0, kEaten = 1 };
    // Ticks "Fire +3" stays on screen.
    static constexpr int kTextTicks = 60;

    // A hamburger of the shooting level `scene` (Level Enemy or one built like it).
    explicit LevelEnemy_Hamburger(EnemyShooting* scene);
    ~LevelEnemy_Hamburger() override;

    void update() override;
    void draw() override;
    virtual void place(int x, int y);

    float getX() const { return x_; }
    float getY() const { return y_; }
    int getMode() const { return mode_; }
    int getTimer() const { return timer_; }

  protected:
    // Checked on every waiting tick: a hamburger out of sight goes back to the pool. Here, once
    // it is 64 below the bottom of the screen.
    virtual bool isOutOfSight(const EnemyShooting& scene) const;

  private:
    float x_ = 0;
    float y_ = 0;
    int mode_ = kWaiting;
    int timer_ = 0;
    JTCore::JTWeakPtr<VerticalLevel> level_;
    // The shooting part of the same object as level_: valid whenever level_ locks.
    EnemyShooting* scene_;
    JTCore::Ref<JTAppBase::JTTextLabel> label_;
};

}  // namespace JTApp
