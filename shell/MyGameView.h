#pragma once
#include "shell/GameViewBase.h"

// The game's own view class; it adds nothing to the base.
class MyGameView : public GameViewBase {
  public:
    using GameViewBase::GameViewBase;
};
