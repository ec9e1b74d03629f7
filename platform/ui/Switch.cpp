#include "platform/ui/Switch.h"

#include "platform/ui/DrawContext.h"
#include "platform/ui/InterfaceAttributes.h"

namespace platform::ui {

Switch::Switch() {
    setFrame({{0, 0}, kSize});
}

Switch::Switch(Rect frame) : Control(frame) {}

void Switch::didTouchUpInside() {
    setOn(!on_);
    sendActionsForControlEvents(ControlEventValueChanged);
}

void Switch::draw(DrawContext& ctx) {
    const Rect b = bounds();
    const float r = b.size.height / 2;
    ctx.fillRoundedRect(b, r, Color{0.62f, 0.64f, 0.67f, 1});
    const Rect inner{b.minX() + 1, b.minY() + 1, b.size.width - 2, b.size.height - 2};
    ctx.fillRoundedRect(inner, r - 1, on_ ? Color{0.0f, 0.5f, 0.95f, 1} : Color{0.93f, 0.93f, 0.93f, 1});
    const float knob = b.size.height - 2;
    const float knobX = on_ ? b.maxX() - 1 - knob : b.minX() + 1;
    const Rect textArea = on_ ? Rect{b.minX(), b.minY(), b.size.width - knob, b.size.height}
                              : Rect{b.minX() + knob, b.minY(), b.size.width - knob, b.size.height};
    ctx.drawText(on_ ? "ON" : "OFF", TextStyle{Font::boldSystem(15), TextAlignment::Center, 1}, textArea,
                 on_ ? Color::white() : Color::gray(0.45f), true);
    ctx.fillRoundedRect({knobX, b.minY() + 1, knob, knob}, knob / 2, Color::gray(0.55f));
    ctx.fillRoundedRect({knobX + 1, b.minY() + 2, knob - 2, knob - 2}, knob / 2 - 1,
                        isHighlighted() ? Color::gray(0.85f) : Color::white());
}

void Switch::loadAttributes(InterfaceAttributes& attrs) {
    Control::loadAttributes(attrs);
    if (auto on = attrs.optBool("on")) on_ = *on;
}

}  // namespace platform::ui
