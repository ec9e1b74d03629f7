#pragma once
#include "screens/GameOverView.h"

// The game's game-over screen: the base as it is.
class MyGameOverView : public GameOverView {
  public:
    using GameOverView::GameOverView;
};
