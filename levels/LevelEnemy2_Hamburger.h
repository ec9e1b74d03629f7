#pragma once
#include "levels/LevelEnemy_Hamburger.h"

namespace JTApp {

class LevelEnemy2;

// A hamburger of Level Enemy2: Level Enemy's, waiting above the hero; it gives three fireballs
// when he reaches it unhurt, and goes once it has scrolled off the bottom.
class LevelEnemy2_Hamburger : public LevelEnemy_Hamburger {
  public:
    // Level Enemy2's names for the modes: a reached hamburger is taken.
    enum State { kWaiting = LevelEnemy_Hamburger::kWaiting, kTaken = LevelEnemy_Hamburger::kEaten };

    explicit LevelEnemy2_Hamburger(LevelEnemy2* scene);
    ~LevelEnemy2_Hamburger() override;

    int getState() const { return getMode(); }
};

}  // namespace JTApp
