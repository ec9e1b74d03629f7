#pragma once
#include "screens/PauseView.h"

// The game's pause screen: the base as it is.
class MyPauseView : public PauseView {
  public:
    using PauseView::PauseView;
};
