#pragma once
// A view whose own empty area lets touches through to what lies below it; its subviews take
// touches as usual.
#include "platform/ui/View.h"

class DZUnclickableView : public platform::ui::View {
  public:
    using platform::ui::View::View;
    const char* className() const override { return "DZUnclickableView"; }
    std::shared_ptr<platform::ui::View> hitTest(platform::Point p) override;
};
