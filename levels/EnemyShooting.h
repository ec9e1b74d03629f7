#pragma once
#include <cstdint>

#include "core/JTArrayList.h"

namespace JTAppBase {
class JTTextLabel;
}

namespace JTApp {

class VerticalLevel;

// The shooting that the enemy levels add to their world, whichever way it runs: homing enemies
// that hurt the hero and knock him aside, fireballs shot left or right from a limited stock, and
// hamburgers that refill it. A level mixes this in next to its world and says when enemies and
// hamburgers are due and where they appear; everything else is shared.
//
// The actors reach their level through this part of it: the level's own world (hero, scroll,
// score, drawing) through the level, the hurt state, the stock and the enemy pool through here.
class EnemyShooting {
  public:
    static constexpr int kEnemies = 8;
    static constexpr int kTamas = 4;
    static constexpr int kHamburgers = 4;
    // Ticks the hero stays hurt (and cannot be hurt again) after an enemy caught him.
    static constexpr int kHurtTicks = 90;

    virtual ~EnemyShooting();

    // Adds to the stock of shots; returns 1.
    virtual int addFire(int delta);
    void createFireLabel(float fontSize, uint32_t color, uint32_t shadowColor, float shadowOffset);
    void drawFire(int x, int y);

    // The contact test of every enemy at (x, y): an unhurt hero within 54 units either way is hurt
    // and flicked toward the middle of the world. Returns whether he was hurt.
    bool hurtHeroNear(float x, float y);

    // The world x shown at the left edge of the view. Labels of shot enemies and eaten hamburgers
    // are kept inside the view, and fireballs leave once well outside it.
    virtual int viewLeft() const { return 0; }

    VerticalLevel& level() const { return *level_; }
    int getFire() const { return fire_; }
    int getHurtTimer() const { return hurtTimer_; }
    void setHurtTimer(int ticks) { hurtTimer_ = ticks; }
    float getKnockBackVx() const { return knockBackVx_; }
    void setKnockBackVx(float vx) { knockBackVx_ = vx; }
    const JTCore::Ref<JTCore::JTArrayList>& getEnemyPool() const { return enemyPool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getTamaPool() const { return tamaPool_; }
    const JTCore::Ref<JTCore::JTArrayList>& getHamburgerPool() const { return hamburgerPool_; }

  protected:
    // `level` is the object this is part of; it is only stored here.
    explicit EnemyShooting(VerticalLevel* level);

    // A new game: unhurt, three shots, no input seen yet, and every actor made once, in the order
    // enemies, fireballs, hamburgers, each given `scene`. A tick only switches them on and off.
    template <class Enemy, class Tama, class Hamburger, class Scene>
    void resetShooting(Scene* scene) {
        resetStock();
        for (int i = 0; i < kEnemies; ++i) enemyPool_->add(JTCore::makeRef<Enemy>(scene));
        for (int i = 0; i < kTamas; ++i) tamaPool_->add(JTCore::makeRef<Tama>(scene));
        for (int i = 0; i < kHamburgers; ++i) hamburgerPool_->add(JTCore::makeRef<Hamburger>(scene));
    }

    // The shooting's turn in a playing tick: the enemy due, the hurt fading, the enemies, firing,
    // the fireballs, the hamburger due, the hamburgers.
    void updateShooting();
    // The enemies' turn in a tick; a level with more kinds of foe updates them all here.
    virtual void updateEnemies();
    // Launches the first inactive fireball of the Tama pool from (x, y) with speed vx; false when
    // every fireball is in flight. For a level whose fireballs are not Level Enemy's.
    virtual bool launchTama(float x, float y, float vx);
    // Places an enemy when one is due and moves the threshold on.
    virtual void spawnEnemyIfDue() = 0;
    // Places a hamburger when one is due and moves the threshold on.
    virtual void spawnHamburgerIfDue() = 0;
    // A key shot was tried: the level drops its pending hint.
    virtual void clearFireHint() = 0;
    // The keys-mode hint of the shooting levels, once, 300 ticks into play.
    void updateFireHint();

    // The knock-back added to the hero's own sideways speed while he is hurt.
    float knockBack() const { return hurtTimer_ >= 1 ? knockBackVx_ : 0.0f; }
    // Hamburgers, enemies and fireballs, in that order.
    void drawActors();
    // While hurt the hero blinks: shown on 4 ticks of every 9.
    bool isHeroShown() const { return hurtTimer_ == 0 || hurtTimer_ % 9 <= 3; }
    int heroTexture(int unhurt) const;

    // A threshold moved on by an interval; it stops at the int range instead of wrapping round
    // to a place the view passed long ago.
    static int advance(int threshold, int interval);

  private:
    void resetStock();
    void fire();
    void shoot(int direction);

    VerticalLevel* level_;
    bool fireChanged_ = true;
    JTCore::Ref<JTAppBase::JTTextLabel> fireLabel_;
    float knockBackVx_ = 0;
    int hurtTimer_ = 0;
    JTCore::Ref<JTCore::JTArrayList> enemyPool_;
    int fire_ = 0;
    bool previousTouching_ = false;
    int previousKeys_ = 0;
    JTCore::Ref<JTCore::JTArrayList> tamaPool_;
    JTCore::Ref<JTCore::JTArrayList> hamburgerPool_;
};

}  // namespace JTApp
