#include "platform/ui/Control.h"

#include "platform/ui/InterfaceAttributes.h"
#include "platform/ui/TouchEvent.h"

namespace platform::ui {

std::uint32_t controlEventFromName(const std::string& name) {
    if (name == "touchDown") return ControlEventTouchDown;
    if (name == "touchDragInside") return ControlEventTouchDragInside;
    if (name == "touchDragOutside") return ControlEventTouchDragOutside;
    if (name == "touchUpInside") return ControlEventTouchUpInside;
    if (name == "touchUpOutside") return ControlEventTouchUpOutside;
    if (name == "touchCancel") return ControlEventTouchCancel;
    if (name == "valueChanged") return ControlEventValueChanged;
    return 0;
}

void Control::setEnabled(bool enabled) {
    change(enabled_, enabled);
    if (!enabled) {
        setHighlighted(false);
        tracking_ = false;
    }
}

std::uint32_t Control::state() const {
    std::uint32_t s = ControlStateNormal;
    if (highlighted_) s |= ControlStateHighlighted;
    if (!enabled_) s |= ControlStateDisabled;
    if (selected_) s |= ControlStateSelected;
    return s;
}

int Control::addTarget(std::uint32_t events, Action action) {
    const int handle = nextHandle_++;
    targets_.push_back({handle, events, std::move(action)});
    return handle;
}

void Control::removeTarget(int handle) {
    std::erase_if(targets_, [handle](const Target& t) { return t.handle == handle; });
}

void Control::removeTargetsForEvents(std::uint32_t events) {
    for (auto& t : targets_) t.events &= ~events;
    std::erase_if(targets_, [](const Target& t) { return t.events == 0; });
}

std::size_t Control::targetCount(std::uint32_t events) const {
    std::size_t n = 0;
    for (const auto& t : targets_) {
        if (t.events & events) ++n;
    }
    return n;
}

void Control::sendActionsForControlEvents(std::uint32_t events) {
    // An action may add or remove targets, or drop the last reference to this control.
    auto keep = shared_from_this();
    const auto snapshot = targets_;
    for (const auto& t : snapshot) {
        if (t.events & events) t.action(*this);
    }
}

bool Control::pointInside(Point p) const {
    return enabled_ && View::pointInside(p);
}

bool Control::isInsideForTracking(Point p) const {
    constexpr float kSlack = 40;
    const Rect b = bounds();
    return p.x >= b.minX() - kSlack && p.x < b.maxX() + kSlack && p.y >= b.minY() - kSlack &&
           p.y < b.maxY() + kSlack;
}

void Control::touchesBegan(const TouchList& touches, const TouchEvent&) {
    if (!enabled_ || tracking_ || touches.empty()) return;
    tracking_ = true;
    trackedTouch_ = touches.front()->identity();
    highlighted_ = true;
    sendActionsForControlEvents(ControlEventTouchDown);
}

void Control::touchesMoved(const TouchList& touches, const TouchEvent&) {
    if (!tracking_) return;
    for (const auto& t : touches) {
        if (t->identity() != trackedTouch_) continue;
        const bool inside = isInsideForTracking(t->locationInView(this));
        highlighted_ = inside;
        sendActionsForControlEvents(inside ? ControlEventTouchDragInside : ControlEventTouchDragOutside);
    }
}

void Control::touchesEnded(const TouchList& touches, const TouchEvent&) {
    if (!tracking_) return;
    for (const auto& t : touches) {
        if (t->identity() != trackedTouch_) continue;
        tracking_ = false;
        highlighted_ = false;
        auto keep = shared_from_this();
        if (enabled_ && isInsideForTracking(t->locationInView(this))) {
            didTouchUpInside();
            sendActionsForControlEvents(ControlEventTouchUpInside);
        } else {
            sendActionsForControlEvents(ControlEventTouchUpOutside);
        }
        return;
    }
}

void Control::touchesCancelled(const TouchList& touches, const TouchEvent&) {
    if (!tracking_) return;
    for (const auto& t : touches) {
        if (t->identity() != trackedTouch_) continue;
        tracking_ = false;
        highlighted_ = false;
        sendActionsForControlEvents(ControlEventTouchCancel);
    }
}

void Control::loadAttributes(InterfaceAttributes& attrs) {
    View::loadAttributes(attrs);
    if (auto e = attrs.optBool("enabled")) setEnabled(*e);
    if (auto s = attrs.optBool("selected")) selected_ = *s;
}

}  // namespace platform::ui
