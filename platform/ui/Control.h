#pragma once
// A view that turns touches into control events and sends them to its targets: touch down,
// touch up inside/outside, cancel and value changed. Enabled, highlighted and selected make up
// its state; a disabled control takes no touches.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/View.h"

namespace platform::ui {

enum ControlEvent : std::uint32_t {
    ControlEventTouchDown = 1u << 0,
    ControlEventTouchDragInside = 1u << 2,
    ControlEventTouchDragOutside = 1u << 3,
    ControlEventTouchUpInside = 1u << 6,
    ControlEventTouchUpOutside = 1u << 7,
    ControlEventTouchCancel = 1u << 8,
    ControlEventValueChanged = 1u << 12,
};

enum ControlState : std::uint32_t {
    ControlStateNormal = 0,
    ControlStateHighlighted = 1u << 0,
    ControlStateDisabled = 1u << 1,
    ControlStateSelected = 1u << 2,
};

// The spelling of control events in interface files ("touchUpInside", "valueChanged", ...);
// 0 for an unknown name.
std::uint32_t controlEventFromName(const std::string& name);

class Control : public View {
  public:
    using Action = std::function<void(Control& sender)>;

    using View::View;
    const char* className() const override { return "Control"; }

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted) { change(highlighted_, highlighted); }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected) { change(selected_, selected); }
    bool isTracking() const { return tracking_; }
    std::uint32_t state() const;

    // Adds an action for every event in the mask; returns a handle for removeTarget.
    int addTarget(std::uint32_t events, Action action);
    void removeTarget(int handle);
    // Removes every action registered for any event in the mask.
    void removeTargetsForEvents(std::uint32_t events);
    std::size_t targetCount(std::uint32_t events) const;
    // Runs the actions of every event in the mask, in the order they were added.
    void sendActionsForControlEvents(std::uint32_t events);

    bool pointInside(Point p) const override;
    void touchesBegan(const TouchList& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchList& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchList& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchList& touches, const TouchEvent& event) override;
    void loadAttributes(InterfaceAttributes& attrs) override;

  protected:
    // Hooks for subclasses, called after the control's own tracking.
    virtual void didTouchUpInside() {}
    // Whether a point (own coordinates) counts as inside while tracking: a finger that drifts a
    // little past the edge still counts.
    bool isInsideForTracking(Point p) const;

  private:
    struct Target {
        int handle;
        std::uint32_t events;
        Action action;
    };
    bool enabled_ = true;
    bool highlighted_ = false;
    bool selected_ = false;
    bool tracking_ = false;
    std::uint64_t trackedTouch_ = 0;
    int nextHandle_ = 1;
    std::vector<Target> targets_;
};

}  // namespace platform::ui
