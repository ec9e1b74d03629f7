#include "platform/ui/GestureRecognizer.h"

#include <algorithm>

#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
bool isUnderway(GestureRecognizerState s) {
    return s == GestureRecognizerState::Possible || s == GestureRecognizerState::Began ||
           s == GestureRecognizerState::Changed;
}
}  // namespace

Point GestureRecognizer::centreOf(const TouchList& touches) {
    Point sum;
    for (const auto& t : touches) {
        const Point p = t->locationInWindow();
        sum.x += p.x;
        sum.y += p.y;
    }
    const auto n = static_cast<float>(touches.size());
    return n > 0 ? Point{sum.x / n, sum.y / n} : sum;
}

void GestureRecognizer::addTarget(const void* key, Action action) {
    if (action) actions_.emplace_back(key, std::move(action));
}

void GestureRecognizer::removeTarget(const void* key) {
    std::erase_if(actions_, [key](const auto& a) { return a.first == key; });
}

void GestureRecognizer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled) return;
    auto keep = weak_from_this().lock();
    if (state_ == GestureRecognizerState::Began || state_ == GestureRecognizerState::Changed)
        setState(GestureRecognizerState::Cancelled);
    // An action may have enabled it again and a new touch may have started a gesture since.
    if (!enabled_) forget();
}

void GestureRecognizer::forget() {
    touches_.clear();
    state_ = GestureRecognizerState::Possible;
    reset();
}

Point GestureRecognizer::locationInView(const View* view) const {
    const Point p = touches_.empty() ? lastLocation_ : centreOf(touches_);
    return view ? view->convertPointFromWindow(p) : p;
}

void GestureRecognizer::setState(GestureRecognizerState state) {
    if (state == state_ && state != GestureRecognizerState::Changed) return;
    state_ = state;
    // The actions may release the recognizer and its view; both stay until the last one ran.
    auto keep = weak_from_this().lock();
    std::shared_ptr<View> keepView = view_ ? view_->weak_from_this().lock() : nullptr;
    if (state == GestureRecognizerState::Began && cancelsTouches_ && view_) {
        if (Window* window = view_->window()) window->recognizerDidBegin(*this);
    }
    if (state == GestureRecognizerState::Possible || state == GestureRecognizerState::Failed) return;
    const auto actions = actions_;
    for (const auto& [key, action] : actions) action(*this);
}

void GestureRecognizer::takeTouchesFromViews(const TouchList& touches) {
    if (!cancelsTouches_ || !view_) return;
    if (Window* window = view_->window()) window->recognizerTookTouches(touches);
}

void GestureRecognizer::deliver(TouchPhase phase, const TouchList& touches, const TouchEvent& event) {
    if (!enabled_) return;
    auto keep = weak_from_this().lock();
    TouchList mine;
    for (const auto& t : touches) {
        const bool followed = std::find(touches_.begin(), touches_.end(), t) != touches_.end();
        if (phase == TouchPhase::Began ? !followed : followed) mine.push_back(t);
    }
    if (mine.empty()) return;
    if (phase == TouchPhase::Began) {
        touches_.insert(touches_.end(), mine.begin(), mine.end());
    } else if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) {
        std::erase_if(touches_, [&mine](const auto& t) {
            return std::find(mine.begin(), mine.end(), t) != mine.end();
        });
    }
    // Where the last fingers lifted is where an ending gesture is.
    lastLocation_ = centreOf(touches_.empty() ? mine : touches_);
    if (isUnderway(state_)) {
        switch (phase) {
            case TouchPhase::Began:
                touchesBegan(mine, event);
                break;
            case TouchPhase::Moved:
            case TouchPhase::Stationary:
                touchesMoved(mine, event);
                break;
            case TouchPhase::Ended:
                touchesEnded(mine, event);
                break;
            case TouchPhase::Cancelled:
                touchesCancelled(mine, event);
                break;
        }
    }
    // A finger joining a gesture under way is the gesture's alone from the start.
    if (phase == TouchPhase::Began && cancelsTouches_ && view_ &&
        (state_ == GestureRecognizerState::Began || state_ == GestureRecognizerState::Changed)) {
        if (Window* window = view_->window()) window->recognizerDidBegin(*this);
    }
    // A gesture still Possible when the fingers are gone never happened; forget its start too.
    if (touches_.empty() && state_ != GestureRecognizerState::Began &&
        state_ != GestureRecognizerState::Changed) {
        state_ = GestureRecognizerState::Possible;
        reset();
    }
}

}  // namespace platform::ui
