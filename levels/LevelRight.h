#pragma once
#include "levels/SidewaysLevel.h"

namespace JTApp {

// Level 25, "Level: Right": Mr.Tiko heads to the right, and platforms fall once he has jumped on
// them.
class LevelRight : public SidewaysLevel {
  public:
    explicit LevelRight(JTAppBase::JTAppContext* context);
};

}  // namespace JTApp
