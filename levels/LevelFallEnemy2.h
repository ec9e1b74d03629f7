#pragma once
#include "levels/LevelEnemy2.h"

namespace JTApp {

// Level 30, "Level: Fall+Enemy2": the shooting climb of Level Enemy2 on the platforms of Level
// Fall. Every platform gives one bounce and then drops away, and past a height of 1000 spring
// platforms between the regular ones throw the hero twice as high. Foes, shots, hamburgers,
// scrolling, score and difficulty are Level Enemy2's.
class LevelFallEnemy2 : public LevelEnemy2 {
  public:
    explicit LevelFallEnemy2(JTAppBase::JTAppContext* context);
    ~LevelFallEnemy2() override;

  protected:
    void makeActors() override;
    bool isLandable(int kind) const override;
    bool isFalling(int kind) const override;
    void landOn(int slot) override;
    bool nextIsSpringPlatform() override;
    int platformTexture(int kind) const override;
};

}  // namespace JTApp
