#pragma once
// A plain view that hands its layout to a function: the view of the container controllers.
#include <functional>

#include "platform/ui/View.h"

namespace platform::ui {

class ContainerView : public View {
  public:
    explicit ContainerView(Rect frame) : View(frame) {}
    const char* className() const override { return "ContainerView"; }
    void setLayout(std::function<void()> layout) { layout_ = std::move(layout); }
    void layoutSubviews() override {
        if (layout_) layout_();
    }

  private:
    std::function<void()> layout_;
};

}  // namespace platform::ui
