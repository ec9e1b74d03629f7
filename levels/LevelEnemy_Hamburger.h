#pragma once
#include "levels/TaskBase.h"

namespace JTAppBase {
class JTTextLabel;
}

namespace JTApp {

class LevelEnemy;

// A hamburger of Level Enemy: waiting above the hero, it gives three fireballs when he reaches
// it unhurt, and goes once it has scrolled off the bottom.
class LevelEnemy_Hamburger : public TaskBase {
  public:
    enum Mode { kWaiting = 0, kEaten = 1 };
    // Ticks "Fire +3" stays on screen.
    static constexpr int kTextTicks = 60;

    explicit LevelEnemy_Hamburger(LevelEnemy* scene);
    ~LevelEnemy_Hamburger() override;

    void update() override;
    void draw() override;
    virtual void place(int x, int y);

    float getX() const { return x_; }
    float getY() const { return y_; }
    int getMode() const { return mode_; }
    int getTimer() const { return timer_; }

  private:
    float x_ = 0;
    float y_ = 0;
    int mode_ = kWaiting;
    int timer_ = 0;
    JTCore::JTWeakPtr<LevelEnemy> scene_;
    JTCore::Ref<JTAppBase::JTTextLabel> label_;
};

}  // namespace JTApp
