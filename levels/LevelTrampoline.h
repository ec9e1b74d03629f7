#pragma once
#include "core/JTArrayList.h"
#include "levels/VerticalLevel.h"

namespace JTApp {

// Level 31, "Level: Trampoline": every platform is a trampoline that throws the hero twice as
// high as a plain platform and sinks away once he has bounced on it. The screen follows him only
// past 500 above its bottom edge, and hamburgers appearing above him are worth 300 points each.
class LevelTrampoline : public VerticalLevel {
  public:
    // A trampoline that has been bounced on: it sinks and can no longer be landed on.
    static constexpr int kSinkingTrampoline = 4;
    static constexpr int kHamburgers = 16;
    // Height gained before the first hamburger is due.
    static constexpr int kFirstHamburgerY = 200;

    explicit LevelTrampoline(JTAppBase::JTAppContext* context);
    ~LevelTrampoline() override;

    void start() override;
    // The height itself: harder from the first jump on.
    int getDifficulty(int height) const override;

    int getNextHamburgerY() const { return nextHamburgerY_; }
    const JTCore::Ref<JTCore::JTArrayList>& getHamburgerPool() const { return hamburgerPool_; }

  protected:
    bool isLandable(int kind) const override { return kind == kSpringPlatform; }
    bool isFalling(int kind) const override { return kind == kSinkingTrampoline; }
    void landOn(int slot) override;
    int newPlatformKind() override { return kSpringPlatform; }
    int platformTexture(int kind) const override;
    void updateActors() override;
    void drawWorld() override;

    void setNextHamburgerY(int y) { nextHamburgerY_ = y; }

  private:
    void spawnHamburger();

    int nextHamburgerY_ = 0;
    JTCore::Ref<JTCore::JTArrayList> hamburgerPool_;
};

}  // namespace JTApp
