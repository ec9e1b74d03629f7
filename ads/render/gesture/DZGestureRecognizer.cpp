#include "ads/render/gesture/DZGestureRecognizer.h"

void DZGestureRecognizer::touchesBegan(const platform::ui::TouchList& touches,
                                       const platform::ui::TouchEvent& event) {
    down_ += touches.size();
    if (state_ == State::Possible) began(touches, event);
}

void DZGestureRecognizer::touchesMoved(const platform::ui::TouchList& touches,
                                       const platform::ui::TouchEvent& event) {
    if (state_ == State::Possible) moved(touches, event);
}

void DZGestureRecognizer::touchesEnded(const platform::ui::TouchList& touches,
                                       const platform::ui::TouchEvent& event) {
    if (state_ == State::Possible) ended(touches, event);
    lifted(touches.size());
}

void DZGestureRecognizer::touchesCancelled(const platform::ui::TouchList& touches,
                                           const platform::ui::TouchEvent& event) {
    if (state_ == State::Possible) cancelled(touches, event);
    lifted(touches.size());
}

void DZGestureRecognizer::recognize() {
    state_ = State::Recognized;
    // Copied: the action may release the view, and this recogniser with it.
    const auto action = action_;
    if (action) action();
}

void DZGestureRecognizer::lifted(std::size_t count) {
    down_ = count >= down_ ? 0 : down_ - count;
    if (down_ > 0 || state_ == State::Possible) return;
    reset();
    state_ = State::Possible;
}
