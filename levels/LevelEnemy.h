#pragma once
#include <cstdint>

#include "core/JTArrayList.h"
#include "levels/VerticalLevel.h"

namespace JTAppBase {
class JTTextLabel;
}

namespace JTApp {

// Level 22, "Level: Enemy": the plain climb with homing enemies that hurt the hero and flick him
// away, fireballs shot left or right from a limited stock, and hamburgers that refill it. Enemies
// and hamburgers come due at heights that grow with the difficulty.
class LevelEnemy : public VerticalLevel {
  public:
    static constexpr int kEnemies = 8;
    static constexpr int kTamas = 4;
    static constexpr int kHamburgers = 4;
    // Ticks the hero stays hurt (and cannot be hurt again) after an enemy caught him.
    static constexpr int kHurtTicks = 90;

    explicit LevelEnemy(JTAppBase::JTAppContext* context);
    ~LevelEnemy() override;

    void render() override;
    void start() override;

    virtual void addFire(int delta);
    // Two thirds of the height: harder from the very start than the plain climb.
    int getDifficulty(int height) const override;

    void createFireLabel(float fontSize, uint32_t color, uint32_t shadowColor, float shadowOffset);
    void drawFire(int x, int y);

    // Height gained between two enemies, and between two hamburgers, for a difficulty.
    static int enemyInterval(int difficulty);
    static int hamburgerInterval(int difficulty);

    int getFire() const { return fire_; }
    int getHurtTimer() const { return hurtTimer_; }
    void setHurtTimer(int ticks) { hurtTimer_ = ticks; }
    float getKnockBackVx() const { return knockBackVx_; }
    void setKnockBackVx(float vx) { knockBackVx_ = vx; }
    int getNextEnemyY() const { return nextEnemyY_; }
    int getNextHamburgerY() const { return nextHamburgerY_; }
    const JTCore::Ref<JTCore::JTArrayList>& getEnemyPool() const { return enemyPool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getTamaPool() const { return tamaPool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getHamburgerPool() const { return hamburgerPool_; }

  protected:
    void updateActors() override;
    float pushVx() const override { return hurtTimer_ >= 1 ? knockBackVx_ : 0.0f; }
    void updateKeysHint(int keys) override;
    void drawWorld() override;

    void setNextEnemyY(int y) { nextEnemyY_ = y; }
    void setNextHamburgerY(int y) { nextHamburgerY_ = y; }

  private:
    void spawnEnemy();
    void fire();
    void shoot(int direction);
    void spawnHamburger();

    bool fireChanged_ = true;
    JTCore::Ref<JTAppBase::JTTextLabel> fireLabel_;
    float knockBackVx_ = 0;
    int hurtTimer_ = 0;
    int nextEnemyY_ = 0;
    JTCore::Ref<JTCore::JTArrayList> enemyPool_;
    int fire_ = 0;
    bool previousTouching_ = false;
    int previousKeys_ = 0;
    JTCore::Ref<JTCore::JTArrayList> tamaPool_;
    int nextHamburgerY_ = 0;
    JTCore::Ref<JTCore::JTArrayList> hamburgerPool_;
};

}  // namespace JTApp
