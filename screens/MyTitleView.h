#pragma once
#include "screens/TitleView.h"

// The game's title screen: the base as it is.
class MyTitleView : public TitleView {
  public:
    using TitleView::TitleView;
};
