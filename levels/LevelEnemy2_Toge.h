#pragma once
#include "levels/TaskBase.h"

namespace JTApp {

class LevelEnemy2;

// A spike fired by a still foe of Level Enemy2: it flies straight at where the hero was and hurts
// him on contact, until it leaves the screen's neighbourhood.
class LevelEnemy2_Toge : public TaskBase {
  public:
    explicit LevelEnemy2_Toge(LevelEnemy2* scene);
    ~LevelEnemy2_Toge() override;

    void update() override;
    void draw() override;
    virtual void launch(float x, float y, float vx, float vy);

    float getX() const { return x_; }
    float getY() const { return y_; }
    float getVx() const { return vx_; }
    float getVy() const { return vy_; }

  private:
    float x_ = 0;
    float y_ = 0;
    float vx_ = 0;
    float vy_ = 0;
    JTCore::JTWeakPtr<LevelEnemy2> scene_;
};

}  // namespace JTApp
