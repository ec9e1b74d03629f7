#pragma once
// An on/off switch; a tap flips it and sends value changed.
#include "platform/ui/Control.h"

namespace platform::ui {

class Switch : public Control {
  public:
    Switch();
    explicit Switch(Rect frame);
    const char* className() const override { return "Switch"; }

    bool isOn() const { return on_; }
    // Sets the value without sending value changed (as the platform's setter does).
    void setOn(bool on, bool animated = false) { change(on_, on); }

    static constexpr Size kSize{79, 27};
    Size sizeThatFits(Size) const override { return kSize; }
    void draw(DrawContext& ctx) override;
    void loadAttributes(InterfaceAttributes& attrs) override;

  protected:
    void didTouchUpInside() override;

  private:
    bool on_ = false;
};

}  // namespace platform::ui
