#pragma once
// One finger (or a mouse click) put down and lifted again without wandering more than
// kAllowableMovement points: recognised (Ended, the actions run) as it lifts; a second finger, a
// wider move or a cancelled touch makes it Failed. Being decided only at the lift, it never takes
// a touch from the views while it lasts; when it cancels touches in its view (the default) the
// views get touchesCancelled instead of the lift, so with setCancelsTouchesInView(false) a Button
// under it keeps its action. Like every recognizer it sees each phase alongside the others on the
// touch's route, whichever of them recognises.
#include "platform/ui/GestureRecognizer.h"

namespace platform::ui {

class TapGestureRecognizer : public GestureRecognizer {
  public:
    static constexpr float kAllowableMovement = 10;

  protected:
    void touchesBegan(const TouchList& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchList& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchList& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchList& touches, const TouchEvent& event) override;

  private:
    // Whether every one of the touches is still near where the tap went down.
    bool stayedNear(const TouchList& touches) const;

    Point start_;  // window coordinates
};

}  // namespace platform::ui
