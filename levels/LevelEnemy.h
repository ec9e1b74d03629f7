#pragma once
#include "levels/EnemyShooting.h"
#include "levels/VerticalLevel.h"

namespace JTApp {

// Level 22, "Level: Enemy": the plain climb with homing enemies that hurt the hero and flick him
// away, fireballs shot left or right from a limited stock, and hamburgers that refill it. Enemies
// and hamburgers come due at heights that grow with the difficulty.
class LevelEnemy : public VerticalLevel, public EnemyShooting {
  public:
    explicit LevelEnemy(JTAppBase::JTAppContext* context);
    ~LevelEnemy() override;

    void render() override;
    void start() override;

    // Two thirds of the height: harder from the very start than the plain climb.
    int getDifficulty(int height) const override;

    // Height gained between two enemies, and between two hamburgers, for a difficulty.
    static int enemyInterval(int difficulty);
    static int hamburgerInterval(int difficulty);

    int getNextEnemyY() const { return nextEnemyY_; }
    int getNextHamburgerY() const { return nextHamburgerY_; }

  protected:
    void updateActors() override { updateShooting(); }
    float pushVx() const override { return knockBack(); }
    void updateKeysHint(int) override { updateFireHint(); }
    void drawWorld() override;
    void spawnEnemyIfDue() override;
    void spawnHamburgerIfDue() override;
    void clearFireHint() override { clearHint(); }

    void setNextEnemyY(int y) { nextEnemyY_ = y; }
    void setNextHamburgerY(int y) { nextHamburgerY_ = y; }

  private:
    int nextEnemyY_ = 0;
    int nextHamburgerY_ = 0;
};

}  // namespace JTApp
