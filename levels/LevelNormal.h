#pragma once
#include "levels/VerticalLevel.h"

namespace JTApp {

// Level 20, "Level: Normal", and every level without a scene of its own: the plain climb.
class LevelNormal : public VerticalLevel {
  public:
    explicit LevelNormal(JTAppBase::JTAppContext* context);

    // Flat for the first 600 units, then growing with the height.
    int getDifficulty(int height) const override;
};

}  // namespace JTApp
