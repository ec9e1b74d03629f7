#pragma once
// What the ad view's recognisers share: they watch the touches the ad view receives (never
// consuming them: the page gets each one unchanged) and decide from them whether their gesture
// happened. A recogniser that has recognised or failed ignores touches until every finger has
// lifted, then starts again. The view that owns a recogniser outlives it. Main thread only.
#include <cstddef>
#include <functional>

#include "platform/ui/Touch.h"
#include "platform/ui/TouchEvent.h"
#include "platform/ui/View.h"

class DZGestureRecognizer {
  public:
    enum class State { Possible, Recognized, Failed };

    explicit DZGestureRecognizer(const platform::ui::View* view) : view_(view) {}
    virtual ~DZGestureRecognizer() = default;
    DZGestureRecognizer(const DZGestureRecognizer&) = delete;
    DZGestureRecognizer& operator=(const DZGestureRecognizer&) = delete;

    State state() const { return state_; }
    const platform::ui::View* view() const { return view_; }
    // Runs when the gesture is recognised. The owning view holds itself across its touch
    // handling, so an action that releases it leaves the recogniser alive until that returns.
    void setAction(std::function<void()> action) { action_ = std::move(action); }

    // The owning view hands every touch here before the page sees it.
    void touchesBegan(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event);
    void touchesMoved(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event);
    void touchesEnded(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event);
    void touchesCancelled(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event);

  protected:
    // Called only while the gesture is still possible.
    virtual void began(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) {}
    virtual void moved(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) {}
    virtual void ended(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) {}
    virtual void cancelled(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) {}
    // Back to the start, once the fingers of a decided gesture have all lifted.
    virtual void reset() {}

    void fail() { state_ = State::Failed; }
    // Marks the gesture recognised and runs the action; the caller returns at once afterwards.
    void recognize();

  private:
    // Forgets the lifted touches; when none is left down, a decided gesture starts again.
    void lifted(std::size_t count);

    const platform::ui::View* view_;
    State state_ = State::Possible;
    std::size_t down_ = 0;
    std::function<void()> action_;
};
