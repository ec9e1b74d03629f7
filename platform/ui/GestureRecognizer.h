#pragma once
// Turns touches into a gesture. A recognizer attached to a view sees the touches that begin in
// that view or below it before the views do (the window hands each phase to the recognizers of
// the touched view and its ancestors first, nearest view first). While it has not recognised its
// gesture the views get every touch as usual; once it has (Began), and when it cancels touches in
// its view (the default), the views get touchesCancelled for those touches and the recognizer
// alone sees the rest of them. Continuous gestures go Possible -> Began -> Changed... -> Ended or
// Cancelled; a gesture that cannot happen goes to Failed. Ended, Cancelled and Failed go back to
// Possible once every finger has lifted. Every state change but Possible and Failed runs the
// actions, in the order they were added. Main thread only; held by std::shared_ptr.
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "platform/geometry/Geometry.h"
#include "platform/ui/Touch.h"
#include "platform/ui/TouchEvent.h"

namespace platform::ui {

class View;
class Window;

enum class GestureRecognizerState {
    Possible = 0,
    Began = 1,
    Changed = 2,
    Ended = 3,
    Cancelled = 4,
    Failed = 5
};

class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
  public:
    // An action may release the recognizer or its view: the window holds both across the call.
    using Action = std::function<void(GestureRecognizer& recognizer)>;

    GestureRecognizer() = default;
    virtual ~GestureRecognizer() = default;
    GestureRecognizer(const GestureRecognizer&) = delete;
    GestureRecognizer& operator=(const GestureRecognizer&) = delete;

    GestureRecognizerState state() const { return state_; }
    // The view it is attached to (View::addGestureRecognizer), null when none.
    View* view() const { return view_; }

    // Actions are kept under a key so an owner can take its own away again.
    void addTarget(const void* key, Action action);
    void removeTarget(const void* key);

    // Disabling a recognizer that has begun cancels its gesture (Cancelled, actions run); one that
    // is merely possible goes back to Possible. A disabled recognizer sees no touches.
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool cancelsTouchesInView() const { return cancelsTouches_; }
    void setCancelsTouchesInView(bool cancels) { cancelsTouches_ = cancels; }

    // Where the gesture is: the centre of its touches, in `view`'s coordinates (null: window).
    Point locationInView(const View* view) const;
    std::size_t numberOfTouches() const { return touches_.size(); }

  protected:
    // The touches it follows (those that began under its view while it was enabled).
    const TouchList& touches() const { return touches_; }
    // The centre of `touches` in window coordinates (the origin for none).
    static Point centreOf(const TouchList& touches);
    // Subclasses decide the gesture from these; the base has added or removed the touches first.
    virtual void touchesBegan(const TouchList& touches, const TouchEvent& event) {}
    virtual void touchesMoved(const TouchList& touches, const TouchEvent& event) {}
    virtual void touchesEnded(const TouchList& touches, const TouchEvent& event) {}
    virtual void touchesCancelled(const TouchList& touches, const TouchEvent& event) {}
    // Back to the start, after the fingers of a decided gesture have all lifted.
    virtual void reset() {}
    // Moves to `state` and runs the actions when it should. Began asks the window to cancel the
    // views' touches (when cancelsTouchesInView).
    void setState(GestureRecognizerState state);
    // For a gesture decided as touches end (no Began): when cancelsTouchesInView, the views get
    // touchesCancelled for these touches instead of their end.
    void takeTouchesFromViews(const TouchList& touches);

  private:
    friend class View;
    friend class Window;
    // The window's side: hands one phase of the touches that are the recognizer's.
    void deliver(TouchPhase phase, const TouchList& touches, const TouchEvent& event);
    void attach(View* view) { view_ = view; }
    // Drops its touches and starts over without running the actions: it was disabled, or it
    // or its view was taken away from where the touches happen.
    void forget();

    View* view_ = nullptr;
    GestureRecognizerState state_ = GestureRecognizerState::Possible;
    bool enabled_ = true;
    bool cancelsTouches_ = true;
    TouchList touches_;
    Point lastLocation_;  // window coordinates; kept once the last finger has lifted
    std::vector<std::pair<const void*, Action>> actions_;
};

}  // namespace platform::ui
