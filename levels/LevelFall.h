#pragma once
#include "levels/FallingPlatforms.h"
#include "levels/VerticalLevel.h"

namespace JTApp {

// Level 21, "Level: Fall": every platform drops away once the hero has bounced on it, and higher
// up spring platforms appear between the regular ones and throw him twice as high.
class LevelFall : public VerticalLevel {
  public:
    // What a platform becomes once the hero has bounced on it: it can no longer be landed on.
    static constexpr int kFallingPlatform = FallingPlatforms::kFallingPlatform;
    static constexpr int kFallingSpringPlatform = FallingPlatforms::kFallingSpringPlatform;

    explicit LevelFall(JTAppBase::JTAppContext* context);

    // Starts well above Normal's, so gaps widen from the first platform on.
    int getDifficulty(int height) const override;

  protected:
    bool isLandable(int kind) const override;
    bool isFalling(int kind) const override;
    void landOn(int slot) override;
    bool nextIsSpringPlatform() override;
    int platformTexture(int kind) const override;
};

}  // namespace JTApp
