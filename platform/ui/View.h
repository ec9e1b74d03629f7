#pragma once
// A rectangle on screen in the retained view tree: geometry (bounds, centre, transform), look
// (background, alpha, hidden), input (hit testing, touches) and subviews. Views are always held
// by std::shared_ptr (make them with std::make_shared); a view's link to its superview is weak.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/geometry/Geometry.h"
#include "platform/ui/AffineTransform.h"
#include "platform/ui/Color.h"
#include "platform/ui/Touch.h"

namespace platform::ui {

class DrawContext;
class GestureRecognizer;
class InterfaceAttributes;
class TouchEvent;
class ViewController;
class Window;

class View : public std::enable_shared_from_this<View> {
  public:
    View();
    explicit View(Rect frame);
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Name of the class as interface files and log lines spell it.
    virtual const char* className() const { return "View"; }
    // "<Label: frame = (x y; w h); tag = n>", for log lines.
    std::string description() const;

    // --- geometry (points, y downward) ---
    // The frame, bounds and alpha setters may be overridden (a view that must keep its size or
    // show only whole alpha steps); an override calls the base with the value it settles on. The
    // base's own moves never go through them: setting the frame does not call setBounds.
    Rect frame() const;
    virtual void setFrame(const Rect& frame);
    Rect bounds() const { return bounds_; }
    virtual void setBounds(const Rect& bounds);
    Point center() const { return center_; }
    void setCenter(Point center);
    const AffineTransform& transform() const { return transform_; }
    void setTransform(const AffineTransform& transform);

    Point convertPointToSuperview(Point p) const;
    Point convertPointFromSuperview(Point p) const;
    // Window coordinates are those of the root of the tree (the window when the view is on one).
    Point convertPointToWindow(Point p) const;
    Point convertPointFromWindow(Point p) const;
    // `other` null means window coordinates. Both views must be in the same tree.
    Point convertPoint(Point p, const View* other) const;
    Rect convertRectToWindow(const Rect& r) const;

    // --- look ---
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    float alpha() const { return alpha_; }
    virtual void setAlpha(float alpha);
    Color backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(Color color);
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips);
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // --- tree ---
    std::shared_ptr<View> superview() const { return superview_.lock(); }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    void addSubview(const std::shared_ptr<View>& view);
    void insertSubviewAt(const std::shared_ptr<View>& view, std::size_t index);
    void bringSubviewToFront(const std::shared_ptr<View>& view);
    void removeFromSuperview();
    bool isDescendantOf(const View& ancestor) const;
    // The window the view is on, null when it is on none.
    Window* window() const;
    // Whether the view could be seen: neither it nor any view above it up to the window (the
    // window too) is hidden, and there is such a window. Alpha is not looked at.
    bool isShownUpToWindow() const;
    // This view or the first descendant (depth first) with the tag; null when none.
    std::shared_ptr<View> viewWithTag(int tag);
    template <class T>
    std::vector<std::shared_ptr<T>> descendantsOfClass() {
        std::vector<std::shared_ptr<T>> out;
        collectOfClass<T>(out);
        return out;
    }

    // --- input ---
    bool isUserInteractionEnabled() const { return userInteraction_; }
    void setUserInteractionEnabled(bool enabled) { userInteraction_ = enabled; }
    bool isMultipleTouchEnabled() const { return multipleTouch_; }
    void setMultipleTouchEnabled(bool enabled) { multipleTouch_ = enabled; }
    // Whether the view can take touches at all: shown, not transparent, interaction on.
    bool receivesTouches() const;
    // The deepest view under `p` (own coordinates) that takes touches, or null.
    virtual std::shared_ptr<View> hitTest(Point p);
    virtual bool pointInside(Point p) const;
    // The default handlers hand the touches on to the superview.
    virtual void touchesBegan(const TouchList& touches, const TouchEvent& event);
    virtual void touchesMoved(const TouchList& touches, const TouchEvent& event);
    virtual void touchesEnded(const TouchList& touches, const TouchEvent& event);
    virtual void touchesCancelled(const TouchList& touches, const TouchEvent& event);
    // A mouse wheel turned over the view at `location` (own coordinates) by points (a notch is
    // kWheelNotchPoints; positive dy shows what lies below). True when the view scrolled for it;
    // otherwise the window asks the superview.
    static constexpr float kWheelNotchPoints = 40;
    virtual bool scrollWheel(Point location, float dx, float dy) { return false; }
    // Recognizers see the touches of this view's subtree before the views do. The view holds
    // them; a recognizer is attached to one view at a time (adding it elsewhere moves it).
    void addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
    void removeGestureRecognizer(const GestureRecognizer* recognizer);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return recognizers_; }

    // --- layout ---
    void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    // Runs layoutSubviews here and below wherever a layout is pending.
    void layoutIfNeeded();
    virtual void layoutSubviews() {}
    // Keeps the view's frame equal to its superview's bounds at every layout (the four edge
    // constraints the platform would add; this toolkit has no constraint solver).
    void setFillsSuperview(bool fills);
    bool fillsSuperview() const { return fillsSuperview_; }
    virtual Size sizeThatFits(Size size) const { return bounds_.size; }
    void sizeToFit();

    // --- drawing ---
    // The window draws only when something on it changed. The view's own setters and the tree's
    // changes call this; a subclass calls it when its content changes (a new page or video frame).
    void setNeedsDisplay();
    // Asks for one more frame at `time` on the window's clock (an indicator that hides then).
    void setNeedsDisplayAt(double time);
    // Draws the view's own content in its bounds coordinates; the background is already drawn.
    // A view with its own OpenGL code overrides this and uses DrawContext::RawGL.
    virtual void draw(DrawContext& ctx) {}
    // Drawn after the subviews, on top of them (scroll indicators and the like).
    virtual void drawOverlay(DrawContext& ctx) {}
    // True when draw() will paint all of the bounds with opaque pixels.
    virtual bool drawsOpaquely() const { return false; }
    // Draws the view, its background and its subviews (skipped when hidden or transparent). A
    // subview that paints all of the view's bounds opaquely hides what lies under it (the view's
    // own picture and the subviews before it), which is then not drawn at all.
    void drawHierarchy(DrawContext& ctx);
    // True when the view, as it would be drawn now, paints every pixel of `rect` (superview
    // coordinates) opaquely: shown, not see-through, unturned, and with an opaque background,
    // an opaque picture of its own (drawsOpaquely) or a subview covering its bounds.
    bool coversOpaquely(const Rect& rect) const;

    // --- controller and interface files ---
    ViewController* viewController() const { return controller_; }
    void setViewController(ViewController* controller) { controller_ = controller; }
    // Reads the keys of an interface-file entry this class understands; subclasses extend it.
    virtual void loadAttributes(InterfaceAttributes& attrs);

  protected:
    // Sets a field that the view's picture shows; a new value asks for a frame.
    template <class T, class U>
    void change(T& field, U&& value) {
        if (field == value) return;
        field = std::forward<U>(value);
        setNeedsDisplay();
    }
    // Called after a subview was added or moved among the subviews.
    virtual void didAddSubview(const std::shared_ptr<View>& view) {}
    virtual void willMoveToWindow(Window* window) {}
    virtual void didMoveToWindow() {}
    // Seconds on the window's clock (0 when the view is on no window).
    double now() const;

  private:
    template <class T>
    void collectOfClass(std::vector<std::shared_ptr<T>>& out) {
        for (const auto& v : subviews_) {
            if (auto t = std::dynamic_pointer_cast<T>(v)) out.push_back(t);
            v->collectOfClass<T>(out);
        }
    }
    void applyFrame(const Rect& frame);
    void applyBounds(const Rect& bounds);
    void detach();
    void notifyWillMove(Window* newWindow);
    void notifyDidMove(Window* oldWindow, Window* newWindow);

    Rect bounds_;
    Point center_;
    AffineTransform transform_;
    bool hidden_ = false;
    float alpha_ = 1;
    Color backgroundColor_ = Color::clear();
    bool clipsToBounds_ = false;
    int tag_ = 0;
    bool userInteraction_ = true;
    bool multipleTouch_ = false;
    bool needsLayout_ = true;
    bool fillsSuperview_ = false;
    std::weak_ptr<View> superview_;
    std::vector<std::shared_ptr<View>> subviews_;
    std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
    ViewController* controller_ = nullptr;
};

}  // namespace platform::ui
