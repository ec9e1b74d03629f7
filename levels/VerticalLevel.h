#pragma once
#include <cstdint>

#include "appbase/GameSceneBase.h"

namespace JTApp {

// What sets one climbing level apart from another in the shared physics, scroll, score and
// platform generator. The defaults are the plain climb.
struct VerticalLevelRules {
    // The hero starts at (320, heroStartY) falling; start platforms stand in a column at x 320,
    // the highest 40 below him and each further one 50 lower.
    float heroStartY = 100;
    int startPlatforms = 1;
    // How far past a side the hero may go before he comes in at the other one.
    int wrapMargin = 32;
    // Jump speed for a height h: jumpMultiplier x (jumpBase - difficulty(h) / jumpDivisor), at
    // least 4. The divisor is also the generator's ratio base.
    int jumpBase = 20;
    int jumpMultiplier = 1;
    int jumpDivisor = 8192;
    // The generator's random difficulty factor is drawn from [gapRandomMin, 100) percent.
    int gapRandomMin = 30;
    // The screen scrolls once the hero is this far above its bottom edge.
    int scrollThreshold = 350;
    // Whether the height gained by scrolling counts as score.
    bool scoreFromHeight = true;
};

// The scaffold of every level that climbs upward: a hero bouncing from platform to platform in a
// 640-unit world whose sides join, steered by tilt, touch or keys; platforms generated above the
// screen with gaps that widen with height; a screen that follows the hero up; an intro showing
// the level name and a game-over fall. Levels differ by their rules and a few hooks.
class VerticalLevel : public GameSceneBase {
  public:
    static constexpr int kPlatformSlots = 32;
    static constexpr int kWorldWidth = 640;
    // Platform kinds: 0 free; 1 an ordinary platform; 3 a spring platform. Levels give 2 and 4
    // (and others) their own meaning.
    static constexpr int kFree = 0;
    static constexpr int kPlatform = 1;
    static constexpr int kSpringPlatform = 3;
    enum ControlMode { kControlTilt = 0, kControlTouch = 1, kControlKeys = 2 };

    VerticalLevel(JTAppBase::JTAppContext* context, const VerticalLevelRules& rules);

    float getFramePeriodMillis() const override { return 10.0f; }
    void render() override;
    void updateState(int state) override;
    void updatePlaying() override;
    void updateGameOver() override;
    void start() override;

    virtual void setControlMode(int mode) { controlMode_ = mode; }
    virtual int getDifficulty(int height) const = 0;
    // Adds one platform above the others when one is due and a slot is free.
    virtual bool generatePlatform();
    virtual int toScreenX(int x) const { return x / 2; }
    virtual int toScreenY(int y) const;

    // The speed a platform at landing height h gives the hero.
    float jumpSpeed(int height) const;

    float getHeroX() const { return heroX_; }
    float getHeroY() const { return heroY_; }
    float getHeroVx() const { return heroVx_; }
    float getHeroVy() const { return heroVy_; }
    int getScroll() const { return scroll_; }
    int getTop() const { return top_; }
    int getControlMode() const { return controlMode_; }
    bool isHintPending() const { return hintPending_; }
    const VerticalLevelRules& rules() const { return rules_; }

    int platformX(int slot) const { return platformX_[slot]; }
    int platformY(int slot) const { return platformY_[slot]; }
    int platformKind(int slot) const { return platformKind_[slot]; }
    float platformFallSpeed(int slot) const { return platformFallSpeed_[slot]; }
    int usedPlatformCount() const;

  protected:
    void setHero(float x, float y, float vx, float vy);
    void setScroll(int scroll) { scroll_ = scroll; }
    void setTop(int top) { top_ = top; }
    // Places a platform at rest in `slot` (kind 0 frees the slot).
    void setPlatform(int slot, int x, int y, int kind);
    void setPlatformKind(int slot, int kind) { platformKind_[slot] = kind; }
    // Moves a platform that is on its way down, keeping its kind.
    void setPlatformFall(int slot, int y, float fallSpeed) {
        platformY_[slot] = y;
        platformFallSpeed_[slot] = fallSpeed;
    }
    void clearPlatforms();

    // The level's own turn in a playing tick, after the platforms (spawning and moving actors).
    virtual void updateActors() {}
    // Which kinds the hero can land on.
    virtual bool isLandable(int kind) const { return kind == kPlatform; }
    // Which kinds drop away (accelerating downward) until they leave the screen.
    virtual bool isFalling(int kind) const { return false; }
    // The hero has been set on top of `slot`: give him his bounce.
    virtual void landOn(int slot);
    // Kind of the next platform the generator or the start column makes.
    virtual int newPlatformKind() { return kPlatform; }
    // Whether the next generated platform is a spring platform placed between the last one and
    // the next.
    virtual bool nextIsSpringPlatform() { return false; }
    // Extra horizontal push added to the hero's own speed while moving him.
    virtual float pushVx() const { return 0.0f; }
    // The keys-mode hint; `keys` are this tick's key bits.
    virtual void updateKeysHint(int keys);
    virtual int platformTexture(int kind) const { return 4; }
    virtual void drawWorld();

    void updateIntro();
    void steer();
    // Sets the hero on the highest landable platform this tick's move would take him past, and
    // gives him his bounce through landOn.
    void landIfDue();
    // Brings the hero in at one side once he is past the other.
    void wrapHero();
    void drawBackground();
    void drawPlatforms();
    void drawHero(int texture);
    void playEffect(int n);
    void clearHint() { hintPending_ = false; }

  private:
    int firstFreeSlot() const;
    void moveFallingPlatforms();

    VerticalLevelRules rules_;
    float heroX_ = 0;
    float heroY_ = 0;
    float heroVx_ = 0;
    float heroVy_ = 0;
    int platformX_[kPlatformSlots] = {};
    int platformY_[kPlatformSlots] = {};
    float platformFallSpeed_[kPlatformSlots] = {};
    int platformKind_[kPlatformSlots] = {};
    int scroll_ = 0;
    int top_ = 0;
    int controlMode_ = kControlTilt;
    bool hintPending_ = true;
};

}  // namespace JTApp
