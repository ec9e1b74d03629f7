#pragma once
#include "levels/TaskBase.h"

namespace JTAppBase {
class JTTextLabel;
}

namespace JTApp {

class LevelEnemy2;

// A hamburger of Level Enemy2: waiting above the hero, it gives three fireballs when he reaches
// it unhurt, and goes once it has scrolled off the bottom.
class LevelEnemy2_Hamburger : public TaskBase {
  public:
    enum State { kWaiting = 0, kTaken = 1 };
    // Ticks "Fire +3" stays on screen.
    static constexpr int kTextTicks = 60;

    explicit LevelEnemy2_Hamburger(LevelEnemy2* scene);
    ~LevelEnemy2_Hamburger() override;

    void update() override;
    void draw() override;
    virtual void place(int x, int y);

    float getX() const { return x_; }
    float getY() const { return y_; }
    int getState() const { return state_; }
    int getTimer() const { return timer_; }

  private:
    float x_ = 0;
    float y_ = 0;
    int state_ = kWaiting;
    int timer_ = 0;
    JTCore::JTWeakPtr<LevelEnemy2> scene_;
    JTCore::Ref<JTAppBase::JTTextLabel> label_;
};

}  // namespace JTApp
