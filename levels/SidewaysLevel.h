#pragma once
#include "levels/VerticalLevel.h"

namespace JTApp {

// The scaffold of the levels that run to the right. Steering and its hints, the landing test, the
// intro, the labels and the game-over wait are the climbing levels'; the world moves differently:
// the view scrolls sideways and never up, the left edge of the view is a wall, the hero's sideways
// speed is limited, platforms are generated ahead of him at heights he can reach and fall once he
// has bounced off them, and his bounce weakens with the distance travelled. The score is the
// distance the view has scrolled.
//
// Levels built on it keep the climbing levels' hooks: pushVx adds to the hero's sideways move,
// updateKeysHint replaces the keys hint, updateActors runs last in a playing tick.
class SidewaysLevel : public VerticalLevel {
  public:
    // A platform the hero has bounced off: it drops away and can no longer be landed on.
    static constexpr int kFallingPlatform = 2;
    // The hero's sideways speed never goes past this, either way.
    static constexpr float kMaxSpeed = 50.0f;
    // The view scrolls once the hero is this far right of its left edge.
    static constexpr int kScrollThreshold = 300;

    explicit SidewaysLevel(JTAppBase::JTAppContext* context);

    void updatePlaying() override;
    void updateGameOver() override;
    void start() override;
    // Flat for the first 3200 units to the right, then growing with the distance.
    int getDifficulty(int distance) const override;
    // Adds one platform ahead of the others when one is due and a slot is free.
    bool generatePlatform() override;
    int toScreenX(int x) const override;

    // How high above its take-off a bounce at `distance` lifts the hero, less 4 to leave a margin;
    // never negative.
    int reach(int distance) const;

    // The world x at the left edge of the view; the vertical scroll (getScroll) stays 0 while
    // playing.
    int getScrollX() const { return scrollX_; }
    int getNextPlatformX() const { return nextPlatformX_; }

  protected:
    void setScrollX(int x) { scrollX_ = x; }
    void setNextPlatformX(int x) { nextPlatformX_ = x; }
    void landOn(int slot) override;
    int platformTexture(int kind) const override;
    void drawWorld() override;
    // The background tiles, moving at half the speed of the view in both directions.
    void drawSidewaysBackground();

  private:
    // Drops the platforms the hero has left and frees those gone off the left edge or below.
    void updatePlatforms();

    int scrollX_ = 0;
    int nextPlatformX_ = 0;
};

}  // namespace JTApp
