#pragma once
#include "levels/TaskBase.h"

namespace JTApp {

class EnemyShooting;
class VerticalLevel;

// A fireball of Level Enemy: it flies level, left or right, through every enemy in its way, and
// each enemy it hits is worth more than the one before. It leaves once 100 beyond either side of
// the view, wherever the level's view is.
class LevelEnemy_Tama : public TaskBase {
  public:
    // A fireball of the shooting level `scene` (Level Enemy or one built like it).
    explicit LevelEnemy_Tama(EnemyShooting* scene);
    ~LevelEnemy_Tama() override;

    void update() override;
    void draw() override;
    virtual void launch(float x, float y, float vx);

    float getX() const { return x_; }
    float getY() const { return y_; }
    float getVx() const { return vx_; }
    int getHits() const { return hits_; }

  private:
    float x_ = 0;
    float y_ = 0;
    float vx_ = 0;
    int hits_ = 0;
    JTCore::JTWeakPtr<VerticalLevel> level_;
    // The shooting part of the same object as level_: valid whenever level_ locks.
    EnemyShooting* scene_;
};

}  // namespace JTApp
