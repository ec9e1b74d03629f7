#pragma once
#include <cstdint>

#include "core/JTArrayList.h"
#include "levels/VerticalLevel.h"

namespace JTAppBase {
class JTTextLabel;
}

namespace JTApp {

// Level 28, "Level: Enemy2": the shooting climb of Level Enemy with a richer cast. Homing enemies
// (A), still ones that fire spikes at the hero (B) and rings of circling ones (C) come due at
// heights that grow with the difficulty, in a mix that changes with the height reached. The hero
// shoots fireballs from a limited stock that hamburgers refill.
//
// Level Fall+Enemy2 is this level on falling platforms: it derives from this class, builds
// through the protected constructor (which does not start the game, so the start sees the
// derived platform rules), and fills the pools with its own actor classes through makeActors.
class LevelEnemy2 : public VerticalLevel {
  public:
    static constexpr int kEnemiesPerKind = 8;
    static constexpr int kTogeCount = 8;
    static constexpr int kTamas = 4;
    static constexpr int kHamburgers = 4;
    // Ticks the hero stays hurt (and cannot be hurt again) after a foe caught him.
    static constexpr int kHurtTicks = 90;

    explicit LevelEnemy2(JTAppBase::JTAppContext* context);
    ~LevelEnemy2() override;

    void render() override;
    void start() override;

    virtual int addFire(int delta);
    // Two thirds of the height, with no offset.
    int getDifficulty(int height) const override;

    void createFireLabel(float fontSize, uint32_t color, uint32_t shadowColor, float shadowOffset);
    void drawFire(int x, int y);

    // Height gained between two spawns for a difficulty: five jump heights.
    static int enemyInterval(int difficulty);

    // The contact test of every foe at (x, y): an unhurt hero within 54 units either way is hurt
    // and flicked toward the middle of the world. Returns whether he was hurt.
    bool hurtHeroNear(float x, float y);

    int getFire() const { return fire_; }
    int getHurtTimer() const { return hurtTimer_; }
    void setHurtTimer(int ticks) { hurtTimer_ = ticks; }
    float getKnockBackVx() const { return knockBackVx_; }
    void setKnockBackVx(float vx) { knockBackVx_ = vx; }
    int getNextEnemyY() const { return nextEnemyY_; }
    int getNextHamburgerY() const { return nextHamburgerY_; }
    const JTCore::Ref<JTCore::JTArrayList>& getEnemyAPool() const { return enemyAPool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getEnemyBPool() const { return enemyBPool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getEnemyCPool() const { return enemyCPool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getTogePool() const { return togePool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getTamaPool() const { return tamaPool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getHamburgerPool() const { return hamburgerPool_; }

  protected:
    // Labels, game-over delay and empty pools, without starting the game: the derived level
    // calls start once it is whole.
    LevelEnemy2(JTAppBase::JTAppContext* context, const VerticalLevelRules& rules);
    // This level's climbing rules, for a derived level to vary.
    static VerticalLevelRules enemy2Rules();

    // Fills the pools with this level's actors; called once by start.
    virtual void makeActors();
    // Every actor made once, in pool order, each given `scene`. The classes are the derived
    // level's own when it fills the pools.
    template <class EnemyA, class Tama, class Hamburger, class EnemyB, class EnemyC, class Toge, class Scene>
    void fillPools(Scene* scene) {
        for (auto* pool : {&enemyAPool_, &tamaPool_, &hamburgerPool_, &enemyBPool_, &enemyCPool_, &togePool_})
            (*pool)->clear();
        for (int i = 0; i < kEnemiesPerKind; ++i) enemyAPool_->add(JTCore::makeRef<EnemyA>(scene));
        for (int i = 0; i < kTamas; ++i) tamaPool_->add(JTCore::makeRef<Tama>(scene));
        for (int i = 0; i < kHamburgers; ++i) hamburgerPool_->add(JTCore::makeRef<Hamburger>(scene));
        for (int i = 0; i < kEnemiesPerKind; ++i) enemyBPool_->add(JTCore::makeRef<EnemyB>(scene));
        for (int i = 0; i < kEnemiesPerKind; ++i) enemyCPool_->add(JTCore::makeRef<EnemyC>(scene));
        for (int i = 0; i < kTogeCount; ++i) togePool_->add(JTCore::makeRef<Toge>(scene));
    }

    void updateActors() override;
    float pushVx() const override { return hurtTimer_ >= 1 ? knockBackVx_ : 0.0f; }
    void updateKeysHint(int keys) override;
    void drawWorld() override;

    void setNextEnemyY(int y) { nextEnemyY_ = y; }
    void setNextHamburgerY(int y) { nextHamburgerY_ = y; }

  private:
    void spawnEnemies();
    void spawnRing();
    void fire();
    void shoot(int direction);
    void spawnHamburger();

    bool fireChanged_ = true;
    JTCore::Ref<JTAppBase::JTTextLabel> fireLabel_;
    float knockBackVx_ = 0;
    int hurtTimer_ = 0;
    int nextEnemyY_ = 0;
    JTCore::Ref<JTCore::JTArrayList> enemyAPool_;
    JTCore::Ref<JTCore::JTArrayList> enemyBPool_;
    JTCore::Ref<JTCore::JTArrayList> enemyCPool_;
    JTCore::Ref<JTCore::JTArrayList> togePool_;
    int fire_ = 0;
    bool previousTouching_ = false;
    int previousKeys_ = 0;
    JTCore::Ref<JTCore::JTArrayList> tamaPool_;
    int nextHamburgerY_ = 0;
    JTCore::Ref<JTCore::JTArrayList> hamburgerPool_;
};

}  // namespace JTApp
