#pragma once
#include "levels/VerticalLevel.h"

namespace JTApp {

// Level 27, "Level: Down": the screen scrolls down by itself, faster the farther it has gone, and
// the hero must keep up by dropping from platform to platform. The top edge is a ceiling that
// pushes him down; he is lost by falling out at the bottom or by being crushed between the
// ceiling and a platform he has just landed on.
class LevelDown : public VerticalLevel {
  public:
    // Why the game ended.
    enum LossCause { kPlaying = 0, kCrushed = 1, kFellOut = 2 };

    explicit LevelDown(JTAppBase::JTAppContext* context);

    void updatePlaying() override;
    void updateGameOver() override;
    void start() override;
    // The distance scrolled, unchanged.
    int getDifficulty(int distance) const override;
    // Adds one platform below the others when one is due and a slot is free.
    bool generatePlatform() override;

    // How far the screen moves down this tick: 1, plus 1 for every 6144 already scrolled.
    int scrollStep() const;
    // The hero's size, relative to his own, while he lies flattened under the ceiling `ticks`
    // after being crushed.
    static void crushScale(int ticks, float* sx, float* sy);

    int getNextPlatformY() const { return nextPlatformY_; }
    int getLossCause() const { return lossCause_; }

  protected:
    void landOn(int slot) override;
    void drawWorld() override;

  private:
    void lose(int cause);

    int nextPlatformY_ = 0;
    int lossCause_ = kPlaying;
    // The surface the hero landed on in this tick, while landedThisTick_ is set.
    bool landedThisTick_ = false;
    float landedSurface_ = 0;
};

}  // namespace JTApp
