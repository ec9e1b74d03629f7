#include "ads/render/gesture/DZAttachedTouchGestureRecognizer.h"

DZAttachedTouchGestureRecognizer::DZAttachedTouchGestureRecognizer(const platform::ui::View* view)
    : touches_(view) {
    setCancelsTouchesInView(false);
}

void DZAttachedTouchGestureRecognizer::touchesBegan(const platform::ui::TouchList& touches,
                                                    const platform::ui::TouchEvent& event) {
    touches_.touchesBegan(touches, event);
}

void DZAttachedTouchGestureRecognizer::touchesMoved(const platform::ui::TouchList& touches,
                                                    const platform::ui::TouchEvent& event) {
    touches_.touchesMoved(touches, event);
}

void DZAttachedTouchGestureRecognizer::touchesEnded(const platform::ui::TouchList& touches,
                                                    const platform::ui::TouchEvent& event) {
    touches_.touchesEnded(touches, event);
}

void DZAttachedTouchGestureRecognizer::touchesCancelled(const platform::ui::TouchList& touches,
                                                        const platform::ui::TouchEvent& event) {
    touches_.touchesCancelled(touches, event);
}
