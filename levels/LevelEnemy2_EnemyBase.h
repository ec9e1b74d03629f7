#pragma once
#include "levels/TaskBase.h"

namespace JTAppBase {
class JTTextLabel;
}

namespace JTApp {

class LevelEnemy2;

// What the three foes of Level Enemy2 share: a position, a flying state in which each moves and
// hurts in its own way, and once shot a state showing its points for a while before it goes back
// to its pool.
class LevelEnemy2_EnemyBase : public TaskBase {
  public:
    enum State { kFlying = 0, kShowingPoints = 1 };
    // Ticks the points stay on screen.
    static constexpr int kPointsTicks = 180;

    ~LevelEnemy2_EnemyBase() override;

    // Shot: the points are scored and shown, clear of the screen's sides.
    virtual void hit(int points);

    float getX() const { return x_; }
    float getY() const { return y_; }
    int getState() const { return state_; }
    int getTimer() const { return timer_; }

  protected:
    explicit LevelEnemy2_EnemyBase(LevelEnemy2* scene);

    // Switched on, flying at (x, y).
    void begin(float x, float y);
    // The points' countdown; false while flying, for the foe's own update.
    bool updateShowingPoints();
    // The points while they are shown, else `texture` scaled by `scale` (1: not scaled).
    void drawAt(int texture, float scale = 1.0f);
    JTCore::Ref<LevelEnemy2> scene() const { return scene_.lock(); }

    float x_ = 0;
    float y_ = 0;

  private:
    int timer_ = 0;
    int state_ = kFlying;
    JTCore::JTWeakPtr<LevelEnemy2> scene_;
    JTCore::Ref<JTAppBase::JTTextLabel> label_;
};

}  // namespace JTApp
