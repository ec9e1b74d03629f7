#pragma once
// Lets a view that is not an ad view report its touches to the native signal collector the way
// the ad view does: attached to the view like any recognizer, it hands every touch of the view's
// subtree to a DZAdViewTouchGestureRecognizer of its own. It never recognises and cancels no
// touches, so the views under it keep every one. Main thread only.
#include <memory>

#include "ads/render/gesture/DZAdViewTouchGestureRecognizer.h"
#include "platform/ui/GestureRecognizer.h"

class DZAttachedTouchGestureRecognizer : public platform::ui::GestureRecognizer {
  public:
    // `view` is the view it will be attached to (its touch locations are in its coordinates); the
    // view holds the recognizer, so it outlives it.
    explicit DZAttachedTouchGestureRecognizer(const platform::ui::View* view);

    DZAdViewTouchGestureRecognizer& touchRecognizer() { return touches_; }

  protected:
    void touchesBegan(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void touchesMoved(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void touchesEnded(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void touchesCancelled(const platform::ui::TouchList& touches,
                          const platform::ui::TouchEvent& event) override;

  private:
    DZAdViewTouchGestureRecognizer touches_;
};
