// What the ad view does with touches: it remembers the tap that may explain an open, feeds its
// gesture recognizers and hands one touch at a time to its page.
#include "ads/render/view/DZAdView.h"

#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/render/gesture/DZGestureRecognizer.h"
#include "platform/web/WebContentView.h"

std::shared_ptr<platform::ui::View> DZAdView::hitTest(platform::Point p) {
    auto hit = platform::ui::View::hitTest(p);
    if (hit && webView_ && (hit == webView_ || hit->isDescendantOf(*webView_))) return shared_from_this();
    return hit;
}

bool DZAdView::scrollWheel(platform::Point location, float dx, float dy) {
    const auto page = webView_;
    if (!page || !page->pointInside(convertPoint(location, page.get()))) return false;
    return page->scrollWheel(convertPoint(location, page.get()), dx, dy);
}

platform::ui::TouchList DZAdView::pageTouches(const platform::ui::TouchList& touches) const {
    platform::ui::TouchList out;
    for (const auto& touch : touches) {
        if (touch == pageTouch_) out.push_back(touch);
    }
    return out;
}

void DZAdView::setTouched(bool touched) {
    touched_ = touched;
    tapUsed_ = false;
    tapClicked_ = false;
    tapTime_.reset();
    if (touched) tapTime_ = DZAbsoluteTime::pageTimeInSeconds();
}

bool DZAdView::takeTapForOpen() {
    return takeTap(tapUsed_);
}

bool DZAdView::takeTapForClick() {
    return takeTap(tapClicked_);
}

bool DZAdView::takeTap(bool& used) {
    if (!tapTime_ || used) return false;
    if (DZAbsoluteTime::pageTimeInSeconds() - *tapTime_ > kSecondsATapExplainsAnOpen) return false;
    used = true;
    return true;
}

void DZAdView::touchesBegan(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) {
    // Held across the calls: the page's answer or the dialog may release this view.
    auto self = shared_from_this();
    if (!touches.empty()) setTouched(true);
    impressionTicketGestureRecognizer_->touchesBegan(touches, event);
    touchGestureRecognizer_->touchesBegan(touches, event);
    if (pageTouch_ || touches.empty() || !webView_) return;
    pageTouch_ = touches.front();
    const auto page = webView_;
    page->touchesBegan({pageTouch_}, event);
}

void DZAdView::touchesMoved(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) {
    auto self = shared_from_this();
    impressionTicketGestureRecognizer_->touchesMoved(touches, event);
    touchGestureRecognizer_->touchesMoved(touches, event);
    const auto forPage = pageTouches(touches);
    if (const auto page = webView_; page && !forPage.empty()) page->touchesMoved(forPage, event);
}

void DZAdView::touchesEnded(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) {
    auto self = shared_from_this();
    // A page acts on the lift as often as on the touch: the tap stays fresh until then, and no
    // more usable than it was.
    if (tapTime_ && !touches.empty()) tapTime_ = DZAbsoluteTime::pageTimeInSeconds();
    impressionTicketGestureRecognizer_->touchesEnded(touches, event);
    touchGestureRecognizer_->touchesEnded(touches, event);
    const auto forPage = pageTouches(touches);
    if (forPage.empty()) return;
    pageTouch_.reset();
    if (const auto page = webView_) page->touchesEnded(forPage, event);
}

void DZAdView::touchesCancelled(const platform::ui::TouchList& touches,
                                const platform::ui::TouchEvent& event) {
    auto self = shared_from_this();
    impressionTicketGestureRecognizer_->touchesCancelled(touches, event);
    touchGestureRecognizer_->touchesCancelled(touches, event);
    const auto forPage = pageTouches(touches);
    if (forPage.empty()) return;
    pageTouch_.reset();
    if (const auto page = webView_) page->touchesCancelled(forPage, event);
}
