#pragma once
// The navigation container of the picker sheet and of each tools tab: it carries the app core and
// keeps to its orientation, as every screen does.
#include "platform/ui/NavigationController.h"
#include "screens/ChosenOrientation.h"

class MyNavigationController : public screens::KeepsChosenOrientation<platform::ui::NavigationController> {
  public:
    using KeepsChosenOrientation::KeepsChosenOrientation;
};
