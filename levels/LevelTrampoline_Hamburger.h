#pragma once
#include "levels/TaskBase.h"

namespace JTAppBase {
class JTTextLabel;
}

namespace JTApp {

class LevelTrampoline;

// A hamburger of Level Trampoline: waiting above the hero, it gives 300 points when he reaches
// it, shows "300" for a moment, and goes once it has scrolled off the bottom uneaten.
class LevelTrampoline_Hamburger : public TaskBase {
  public:
    enum Mode { kWaiting = 0, kEaten = 1 };
    static constexpr int kPoints = 300;
    // Ticks "300" stays on screen.
    static constexpr int kTextTicks = 60;

    explicit LevelTrampoline_Hamburger(LevelTrampoline* scene);
    ~LevelTrampoline_Hamburger() override;

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
    JTCore::JTWeakPtr<LevelTrampoline> scene_;
    JTCore::Ref<JTAppBase::JTTextLabel> label_;
};

}  // namespace JTApp
