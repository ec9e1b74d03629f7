#include "platform/ui/View.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/ui/DrawContext.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/InterfaceAttributes.h"
#include "platform/ui/TouchEvent.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace platform::ui {

View::View() = default;

View::View(Rect frame) {
    applyFrame(frame);
}

View::~View() {
    for (auto& v : subviews_) v->superview_.reset();
    for (auto& r : recognizers_) r->attach(nullptr);
}

std::string View::description() const {
    const Rect f = frame();
    char buf[160];
    std::snprintf(buf, sizeof buf, "<%s: frame = (%g %g; %g %g); tag = %d>", className(),
                  static_cast<double>(f.origin.x), static_cast<double>(f.origin.y),
                  static_cast<double>(f.size.width), static_cast<double>(f.size.height), tag_);
    return buf;
}

Rect View::frame() const {
    const Rect local{-bounds_.size.width / 2, -bounds_.size.height / 2, bounds_.size.width,
                     bounds_.size.height};
    Rect r = transform_.isIdentity() ? local : transform_.apply(local);
    r.origin.x += center_.x;
    r.origin.y += center_.y;
    return r;
}

void View::setFrame(const Rect& frame) {
    applyFrame(frame);
}

void View::applyFrame(const Rect& frame) {
    setCenter({frame.midX(), frame.midY()});
    // Under a transform the frame is only a bounding box; its size says nothing exact about
    // the bounds, so only the position follows.
    if (transform_.isIdentity()) applyBounds({bounds_.origin, frame.size});
}

void View::setBounds(const Rect& bounds) {
    applyBounds(bounds);
}

void View::applyBounds(const Rect& bounds) {
    if (bounds == bounds_) return;
    if (bounds.size != bounds_.size) needsLayout_ = true;
    bounds_ = bounds;
    setNeedsDisplay();
}

void View::setCenter(Point center) {
    if (center == center_) return;
    center_ = center;
    setNeedsDisplay();
}

void View::setTransform(const AffineTransform& transform) {
    if (transform == transform_) return;
    transform_ = transform;
    setNeedsDisplay();
}

void View::setHidden(bool hidden) {
    if (hidden == hidden_) return;
    hidden_ = hidden;
    setNeedsDisplay();
}

void View::setAlpha(float alpha) {
    const float clamped = std::clamp(alpha, 0.0f, 1.0f);
    if (clamped == alpha_) return;
    alpha_ = clamped;
    setNeedsDisplay();
}

void View::setBackgroundColor(Color color) {
    if (color == backgroundColor_) return;
    backgroundColor_ = color;
    setNeedsDisplay();
}

void View::setClipsToBounds(bool clips) {
    if (clips == clipsToBounds_) return;
    clipsToBounds_ = clips;
    setNeedsDisplay();
}

void View::setNeedsLayout() {
    needsLayout_ = true;
    setNeedsDisplay();
}

void View::setNeedsDisplay() {
    if (Window* w = window()) w->markNeedsDisplay();
}

void View::setNeedsDisplayAt(double time) {
    if (Window* w = window()) w->markNeedsDisplayAt(time);
}

Point View::convertPointToSuperview(Point p) const {
    const Point rel{p.x - bounds_.midX(), p.y - bounds_.midY()};
    const Point t = transform_.apply(rel);
    return {center_.x + t.x, center_.y + t.y};
}

Point View::convertPointFromSuperview(Point p) const {
    const Point rel{p.x - center_.x, p.y - center_.y};
    const Point t = transform_.isIdentity() ? rel : transform_.inverted().apply(rel);
    return {t.x + bounds_.midX(), t.y + bounds_.midY()};
}

Point View::convertPointToWindow(Point p) const {
    const View* v = this;
    std::shared_ptr<View> parent = v->superview();
    std::shared_ptr<View> hold;
    while (parent) {
        p = v->convertPointToSuperview(p);
        hold = parent;
        v = hold.get();
        parent = v->superview();
    }
    return p;
}

Point View::convertPointFromWindow(Point p) const {
    std::vector<std::shared_ptr<const View>> chain;
    std::shared_ptr<View> parent = superview();
    const View* v = this;
    while (parent) {
        chain.push_back(parent);
        v = parent.get();
        parent = v->superview();
    }
    // chain.back() is the root, whose coordinates are the window's: skip it.
    for (std::size_t i = chain.size(); i-- > 0;) {
        if (i + 1 == chain.size()) continue;
        p = chain[i]->convertPointFromSuperview(p);
    }
    if (!chain.empty()) p = convertPointFromSuperview(p);
    return p;
}

Point View::convertPoint(Point p, const View* other) const {
    const Point w = convertPointToWindow(p);
    return other ? other->convertPointFromWindow(w) : w;
}

Rect View::convertRectToWindow(const Rect& r) const {
    return boundingBoxOfMappedCorners(r, [this](Point p) { return convertPointToWindow(p); });
}

Window* View::window() const {
    const View* v = this;
    std::shared_ptr<View> hold;
    for (auto parent = superview(); parent; parent = v->superview()) {
        hold = parent;
        v = hold.get();
    }
    // The root may be the window itself; the cast is on a const pointer we own no more than
    // the tree does, so strip const only for the result type.
    return dynamic_cast<Window*>(const_cast<View*>(v));
}

bool View::isShownUpToWindow() const {
    const View* v = this;
    std::shared_ptr<View> hold;
    while (v) {
        if (v->hidden_) return false;
        if (dynamic_cast<const Window*>(v)) return true;
        hold = v->superview();
        v = hold.get();
    }
    return false;
}

void View::addSubview(const std::shared_ptr<View>& view) {
    insertSubviewAt(view, subviews_.size());
}

void View::insertSubviewAt(const std::shared_ptr<View>& view, std::size_t index) {
    if (!view || view.get() == this) return;
    // Adding an ancestor below its own descendant would make a cycle.
    if (isDescendantOf(*view)) return;
    Window* oldWindow = view->window();
    Window* newWindow = window();
    if (view->superview().get() == this) {
        auto it = std::find(subviews_.begin(), subviews_.end(), view);
        const std::size_t at = static_cast<std::size_t>(it - subviews_.begin());
        subviews_.erase(it);
        if (at < index) --index;
        subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(std::min(index, subviews_.size())),
                         view);
        setNeedsDisplay();
        didAddSubview(view);
        return;
    }
    auto keep = view;  // the old superview may hold the last reference
    if (oldWindow != newWindow) keep->notifyWillMove(newWindow);
    keep->detach();
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(std::min(index, subviews_.size())),
                     keep);
    keep->superview_ = weak_from_this();
    needsLayout_ = true;
    setNeedsDisplay();
    if (oldWindow != newWindow) keep->notifyDidMove(oldWindow, newWindow);
    didAddSubview(keep);
}

void View::bringSubviewToFront(const std::shared_ptr<View>& view) {
    auto it = std::find(subviews_.begin(), subviews_.end(), view);
    if (it == subviews_.end()) return;
    subviews_.erase(it);
    subviews_.push_back(view);
    setNeedsDisplay();
}

void View::removeFromSuperview() {
    auto parent = superview();
    if (!parent) return;
    auto keep = shared_from_this();
    Window* oldWindow = window();
    if (oldWindow) oldWindow->markNeedsDisplay();
    if (oldWindow) notifyWillMove(nullptr);
    detach();
    if (oldWindow) notifyDidMove(oldWindow, nullptr);
}

void View::detach() {
    auto parent = superview();
    if (!parent) return;
    auto& list = parent->subviews_;
    list.erase(std::remove_if(list.begin(), list.end(), [this](const auto& v) { return v.get() == this; }),
               list.end());
    superview_.reset();
}

void View::notifyWillMove(Window* newWindow) {
    // The touches the recognizers follow belong to the window the view is leaving.
    const auto recognizers = recognizers_;
    for (const auto& r : recognizers) r->forget();
    if (controller_) controller_->viewWillMoveToWindow(newWindow != nullptr);
    willMoveToWindow(newWindow);
    const auto children = subviews_;
    for (const auto& v : children) v->notifyWillMove(newWindow);
}

void View::notifyDidMove(Window* oldWindow, Window* newWindow) {
    if (controller_) controller_->viewDidMoveToWindow(newWindow != nullptr);
    didMoveToWindow();
    const auto children = subviews_;
    for (const auto& v : children) v->notifyDidMove(oldWindow, newWindow);
}

bool View::isDescendantOf(const View& ancestor) const {
    if (this == &ancestor) return true;
    const View* v = this;
    std::shared_ptr<View> hold;
    for (auto parent = superview(); parent; parent = v->superview()) {
        if (parent.get() == &ancestor) return true;
        hold = parent;
        v = hold.get();
    }
    return false;
}

std::shared_ptr<View> View::viewWithTag(int tag) {
    if (tag_ == tag) return shared_from_this();
    for (const auto& v : subviews_) {
        if (auto found = v->viewWithTag(tag)) return found;
    }
    return nullptr;
}

bool View::receivesTouches() const {
    return !hidden_ && alpha_ >= 0.01f && userInteraction_;
}

bool View::pointInside(Point p) const {
    return bounds_.contains(p);
}

std::shared_ptr<View> View::hitTest(Point p) {
    if (!receivesTouches() || !pointInside(p)) return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        const auto child = *it;
        if (auto hit = child->hitTest(child->convertPointFromSuperview(p))) return hit;
    }
    return shared_from_this();
}

void View::touchesBegan(const TouchList& touches, const TouchEvent& event) {
    if (auto p = superview()) p->touchesBegan(touches, event);
}

void View::touchesMoved(const TouchList& touches, const TouchEvent& event) {
    if (auto p = superview()) p->touchesMoved(touches, event);
}

void View::touchesEnded(const TouchList& touches, const TouchEvent& event) {
    if (auto p = superview()) p->touchesEnded(touches, event);
}

void View::touchesCancelled(const TouchList& touches, const TouchEvent& event) {
    if (auto p = superview()) p->touchesCancelled(touches, event);
}

void View::addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer) {
    if (!recognizer || recognizer->view() == this) return;
    if (View* old = recognizer->view()) old->removeGestureRecognizer(recognizer.get());
    recognizers_.push_back(recognizer);
    recognizer->attach(this);
}

void View::removeGestureRecognizer(const GestureRecognizer* recognizer) {
    auto it = std::find_if(recognizers_.begin(), recognizers_.end(),
                           [recognizer](const auto& r) { return r.get() == recognizer; });
    if (it == recognizers_.end()) return;
    auto keep = *it;
    recognizers_.erase(it);
    keep->attach(nullptr);
    keep->forget();
}

void View::layoutIfNeeded() {
    if (needsLayout_) {
        layoutSubviews();
        // What layoutSubviews changed on this view itself (its size, its subviews) is already
        // laid out; marking it again would relayout forever.
        needsLayout_ = false;
    }
    const auto children = subviews_;
    for (const auto& v : children) {
        if (v->fillsSuperview_ && v->frame() != bounds_) v->setFrame(bounds_);
        v->layoutIfNeeded();
    }
}

void View::setFillsSuperview(bool fills) {
    fillsSuperview_ = fills;
    if (auto parent = superview(); parent && fills) setFrame(parent->bounds());
}

void View::sizeToFit() {
    const Size s = sizeThatFits(bounds_.size);
    const Rect f = frame();
    setFrame({f.origin, s});
}

void View::drawHierarchy(DrawContext& ctx) {
    if (hidden_ || alpha_ < 0.01f) return;
    DrawContext::State saved = ctx.save();
    ctx.concat(AffineTransform::translation(-bounds_.midX(), -bounds_.midY())
                   .concat(transform_)
                   .concat(AffineTransform::translation(center_.x, center_.y)));
    ctx.multiplyAlpha(alpha_);
    if (clipsToBounds_) ctx.clip(bounds_);
    const auto children = subviews_;
    // The top-most subview that covers the bounds is where drawing starts.
    std::size_t first = children.size();
    while (first > 0 && !children[first - 1]->coversOpaquely(bounds_)) --first;
    if (first == 0) {
        if (backgroundColor_.a > 0) ctx.fillRect(bounds_, backgroundColor_);
        draw(ctx);
    } else {
        --first;
    }
    for (std::size_t i = first; i < children.size(); ++i) children[i]->drawHierarchy(ctx);
    drawOverlay(ctx);
    ctx.restore(saved);
}

bool View::coversOpaquely(const Rect& rect) const {
    if (hidden_ || alpha_ < 1 || !transform_.isIdentity()) return false;
    const Rect f = frame();
    if (f.minX() > rect.minX() || f.minY() > rect.minY() || f.maxX() < rect.maxX() || f.maxY() < rect.maxY())
        return false;
    if (backgroundColor_.a >= 1 || drawsOpaquely()) return true;
    return std::any_of(subviews_.begin(), subviews_.end(),
                       [this](const auto& v) { return v->coversOpaquely(bounds_); });
}

void View::loadAttributes(InterfaceAttributes& attrs) {
    if (auto f = attrs.optRect("frame")) setFrame(*f);
    if (auto t = attrs.optInt("tag")) tag_ = *t;
    if (auto h = attrs.optBool("hidden")) setHidden(*h);
    if (auto a = attrs.optFloat("alpha")) setAlpha(*a);
    if (auto u = attrs.optBool("userInteraction")) userInteraction_ = *u;
    if (auto c = attrs.optColor("backgroundColor")) backgroundColor_ = *c;
    if (auto c = attrs.optBool("clipsToBounds")) clipsToBounds_ = *c;
    if (auto m = attrs.optBool("multipleTouch")) multipleTouch_ = *m;
}

double View::now() const {
    Window* w = window();
    return w ? w->now() : 0.0;
}

}  // namespace platform::ui
