#pragma once
#include "core/JTArrayList.h"
#include "levels/EnemyShooting.h"
#include "levels/VerticalLevel.h"

namespace JTApp {

// Level 28, "Level: Enemy2": the shooting climb of Level Enemy with a richer cast. Homing enemies
// (A), still ones that fire spikes at the hero (B) and rings of circling ones (C) come due at
// heights that grow with the difficulty, in a mix that changes with the height reached. The hero
// shoots fireballs from a limited stock that hamburgers refill: Level Enemy's shooting, with the
// homing enemies in its enemy pool and the other kinds in pools of their own.
//
// Level Fall+Enemy2 is this level on falling platforms: it derives from this class, builds
// through the protected constructor (which does not start the game, so the start sees the
// derived platform rules), and fills the pools with its own actor classes through makeActors.
class LevelEnemy2 : public VerticalLevel, public EnemyShooting {
  public:
    static constexpr int kEnemiesPerKind = kEnemies;
    static constexpr int kTogeCount = 8;

    explicit LevelEnemy2(JTAppBase::JTAppContext* context);
    ~LevelEnemy2() override;

    void render() override;
    void start() override;

    // Two thirds of the height, with no offset.
    int getDifficulty(int height) const override;

    // Height gained between two spawns for a difficulty: five jump heights.
    static int enemyInterval(int difficulty);

    int getNextEnemyY() const { return nextEnemyY_; }
    int getNextHamburgerY() const { return nextHamburgerY_; }
    const JTCore::Ref<JTCore::JTArrayList>& getEnemyAPool() const { return getEnemyPool(); }
    const JTCore::Ref<JTCore::JTArrayList>& getEnemyBPool() const { return enemyBPool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getEnemyCPool() const { return enemyCPool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getTogePool() const { return togePool_; }

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
        resetShooting<EnemyA, Tama, Hamburger>(scene);
        for (auto* pool : {&enemyBPool_, &enemyCPool_, &togePool_}) (*pool)->clear();
        for (int i = 0; i < kEnemiesPerKind; ++i) enemyBPool_->add(JTCore::makeRef<EnemyB>(scene));
        for (int i = 0; i < kEnemiesPerKind; ++i) enemyCPool_->add(JTCore::makeRef<EnemyC>(scene));
        for (int i = 0; i < kTogeCount; ++i) togePool_->add(JTCore::makeRef<Toge>(scene));
    }

    void updateActors() override { updateShooting(); }
    float pushVx() const override { return knockBack(); }
    void updateKeysHint(int) override { updateFireHint(); }
    void drawWorld() override;
    void updateEnemies() override;
    bool launchTama(float x, float y, float vx) override;
    void spawnEnemyIfDue() override;
    void spawnHamburgerIfDue() override;
    void clearFireHint() override { clearHint(); }

    void setNextEnemyY(int y) { nextEnemyY_ = y; }
    void setNextHamburgerY(int y) { nextHamburgerY_ = y; }

  private:
    void spawnRing();

    int nextEnemyY_ = 0;
    JTCore::Ref<JTCore::JTArrayList> enemyBPool_;
    JTCore::Ref<JTCore::JTArrayList> enemyCPool_;
    JTCore::Ref<JTCore::JTArrayList> togePool_;
    int nextHamburgerY_ = 0;
};

}  // namespace JTApp
