#pragma once
#include "levels/EnemyShooting.h"
#include "levels/SidewaysLevel.h"

namespace JTApp {

// Level 29, "Level: Right+Enemy": Level Right's way to the right, with the shooting of Level
// Enemy. Enemies come in from beyond the right edge of the view and hamburgers appear ahead of
// the hero, both at random distances that do not grow harder; the hero shoots left or right.
class LevelRightEnemy : public SidewaysLevel, public EnemyShooting {
  public:
    explicit LevelRightEnemy(JTAppBase::JTAppContext* context);
    ~LevelRightEnemy() override;

    void render() override;
    void start() override;
    int viewLeft() const override { return getScrollX(); }

    // The scroll x at which the next enemy, and the next hamburger, are due.
    int getNextEnemyX() const { return nextEnemyX_; }
    int getNextHamburgerX() const { return nextHamburgerX_; }

  protected:
    void updateActors() override { updateShooting(); }
    float pushVx() const override { return knockBack(); }
    void updateKeysHint(int) override { updateFireHint(); }
    void drawWorld() override;
    void spawnEnemyIfDue() override;
    void spawnHamburgerIfDue() override;
    void clearFireHint() override { clearHint(); }

    void setNextEnemyX(int x) { nextEnemyX_ = x; }
    void setNextHamburgerX(int x) { nextHamburgerX_ = x; }

  private:
    int nextEnemyX_ = 0;
    int nextHamburgerX_ = 0;
};

}  // namespace JTApp
