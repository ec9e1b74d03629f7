#pragma once
// The tab container of the tools area: it carries the app core and keeps to its orientation.
#include "platform/ui/TabBarController.h"
#include "screens/ChosenOrientation.h"

class MyTabBarController : public screens::KeepsChosenOrientation<platform::ui::TabBarController> {};
