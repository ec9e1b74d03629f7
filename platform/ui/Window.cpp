#include "platform/ui/Window.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/runloop/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TouchEvent.h"
#include "platform/ui/ViewController.h"
#include "platform/window/WindowEvent.h"

namespace platform::ui {

namespace {
constexpr double kMultiTapSeconds = 0.35;
constexpr float kMultiTapDistance = 15;

// Dims the screen behind a modal panel and keeps touches from reaching what lies below.
class ModalLayer : public View {
  public:
    ModalLayer() { setBackgroundColor(Color::black().withAlpha(0.4f)); }
    const char* className() const override { return "ModalLayer"; }
    void touchesBegan(const TouchList&, const TouchEvent&) override {}
    void touchesMoved(const TouchList&, const TouchEvent&) override {}
    void touchesEnded(const TouchList&, const TouchEvent&) override {}
    void touchesCancelled(const TouchList&, const TouchEvent&) override {}
};
}  // namespace

Window::Window(Rect frame, Application* application)
    : View(frame), application_(application ? application : &Application::shared()) {
    modalLayer_ = std::make_shared<ModalLayer>();
}

Window::~Window() {
    if (transitionTimer_) transitionTimer_->invalidate();
}

RunLoop* Window::runLoop() const {
    if (loop_) return loop_;
    return RunLoop::hasMain() ? &RunLoop::main() : nullptr;
}

double Window::now() const {
    if (RunLoop* loop = runLoop()) return loop->now();
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::vector<std::shared_ptr<View>> Window::contentSubviews() const {
    std::vector<std::shared_ptr<View>> out;
    for (const auto& v : subviews()) {
        if (v != modalLayer_ && std::find(presented_.begin(), presented_.end(), v) == presented_.end())
            out.push_back(v);
    }
    return out;
}

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
    if (controller == root_) {
        // Made root again after its view was taken off (a screen "stopped" and restarted).
        if (root_ && root_->view()->superview().get() != this) {
            root_->view()->setFrame(bounds());
            insertSubviewAt(root_->view(), 0);
        }
        return;
    }
    auto old = std::move(root_);
    root_ = std::move(controller);
    if (old && old->isViewLoaded() && old->view()->superview().get() == this)
        old->view()->removeFromSuperview();
    if (root_) {
        auto v = root_->view();
        v->setFrame(bounds());
        insertSubviewAt(v, 0);
    }
}

void Window::makeKeyAndVisible() {
    setHidden(false);
    application_->setKeyWindow(std::static_pointer_cast<Window>(shared_from_this()));
}

bool Window::isKeyWindow() const {
    return application_->keyWindow().get() == this;
}

void Window::didAddSubview(const std::shared_ptr<View>& view) {
    // Presented screens and then panels stay above anything added later (a game view put up
    // behind an interstitial or an alert).
    if (restacking_ || view == modalLayer_) return;
    restacking_ = true;
    for (const auto& p : presented_) {
        if (p->superview().get() == this) bringSubviewToFront(p);
    }
    if (modalLayer_->superview().get() == this) bringSubviewToFront(modalLayer_);
    restacking_ = false;
}

void Window::addPresentedView(const std::shared_ptr<View>& view) {
    if (!view) return;
    std::erase(presented_, view);
    presented_.push_back(view);
    addSubview(view);
}

void Window::removePresentedView(const View* view) {
    auto it =
        std::find_if(presented_.begin(), presented_.end(), [view](const auto& p) { return p.get() == view; });
    if (it == presented_.end()) return;
    auto keep = *it;
    presented_.erase(it);
    if (keep->superview().get() == this) keep->removeFromSuperview();
}

void Window::presentModal(const std::shared_ptr<View>& panel) {
    if (!panel || std::find(modals_.begin(), modals_.end(), panel) != modals_.end()) return;
    modals_.push_back(panel);
    if (modals_.size() == 1) showFrontModal();
}

void Window::showFrontModal() {
    if (modals_.empty()) {
        modalLayer_->removeFromSuperview();
        return;
    }
    modalLayer_->setFrame(bounds());
    if (modalLayer_->superview().get() != this) addSubview(modalLayer_);
    auto front = modals_.front();
    modalLayer_->addSubview(front);
    front->setNeedsLayout();
    modalLayer_->layoutIfNeeded();
}

void Window::dismissModal(const View* panel) {
    application_->forgetPendingModal(panel);
    auto it =
        std::find_if(modals_.begin(), modals_.end(), [panel](const auto& p) { return p.get() == panel; });
    if (it == modals_.end()) return;
    const bool wasFront = it == modals_.begin();
    auto keep = *it;
    modals_.erase(it);
    if (wasFront) {
        keep->removeFromSuperview();
        showFrontModal();
    }
}

std::shared_ptr<View> Window::frontModal() const {
    return modals_.empty() ? nullptr : modals_.front();
}

void Window::transition(WindowTransition kind, double duration, std::function<void()> completion) {
    if (transition_ != WindowTransition::None) finishTransition();
    if (kind == WindowTransition::None || !(duration > 0)) {
        if (completion) completion();
        return;
    }
    transition_ = kind;
    transitionStart_ = now();
    transitionDuration_ = duration;
    ++transitionSerial_;
    transitionDone_ = std::move(completion);
    if (RunLoop* loop = runLoop()) {
        const std::uint64_t serial = transitionSerial_;
        transitionTimer_ =
            loop->scheduleOnce(duration, std::weak_ptr<void>(weak_from_this()), [this, serial](Timer&) {
                if (serial == transitionSerial_) finishTransition();
            });
    } else {
        // No loop to time it: nothing could ever end it, so it ends at once.
        finishTransition();
    }
}

float Window::transitionProgress() const {
    if (transition_ == WindowTransition::None) return 1;
    const double t = (now() - transitionStart_) / transitionDuration_;
    return static_cast<float>(std::clamp(t, 0.0, 1.0));
}

void Window::finishTransition() {
    if (transition_ == WindowTransition::None) return;
    transition_ = WindowTransition::None;
    markNeedsDisplay();  // the end state
    if (transitionTimer_) transitionTimer_->invalidate();
    transitionTimer_.reset();
    auto done = std::move(transitionDone_);
    transitionDone_ = nullptr;
    if (done) done();
}

void Window::afterTransition(std::function<void()> then) {
    if (!then) return;
    if (transition_ == WindowTransition::None) {
        then();
        return;
    }
    transitionDone_ = [before = std::move(transitionDone_), then = std::move(then)] {
        if (before) before();
        then();
    };
}

bool Window::needsDisplay() const {
    return needsDisplay_ || transition_ != WindowTransition::None || (displayAt_ >= 0 && now() >= displayAt_);
}

void Window::markNeedsDisplayAt(double time) {
    if (displayAt_ < 0 || time < displayAt_) displayAt_ = time;
}

void Window::didDisplay() {
    needsDisplay_ = false;
    if (displayAt_ >= 0 && now() >= displayAt_) displayAt_ = -1;
    ++displays_;
    drawingFrame_ = true;
}

void Window::didDraw() {
    drawingFrame_ = false;
    // Each listener may release this window or another listener: the list is copied, and each is
    // called only while still held.
    const auto keep = weak_from_this().lock();
    const auto listeners = drawListeners_;
    for (const auto& weak : listeners) {
        if (const auto listener = weak.lock()) (*listener)();
    }
}

Window::DrawListening Window::listenToDraws(std::function<void()> listener) {
    auto held = std::make_shared<std::function<void()>>(std::move(listener));
    std::erase_if(drawListeners_, [](const auto& weak) { return weak.expired(); });
    drawListeners_.push_back(held);
    return held;
}

void Window::handleTouch(std::uint64_t pointer, TouchPhase phase, Point location) {
    auto keep = shared_from_this();
    // What a touch does shows on screen (a highlighted button, a dragged list).
    markNeedsDisplay();
    const double t = now();
    std::shared_ptr<Touch> touch;
    if (phase == TouchPhase::Began) {
        if (touches_.count(pointer)) handleTouch(pointer, TouchPhase::Cancelled, location);
        layoutIfNeeded();
        auto hit = hitTest(location);
        // A view that takes one touch at a time does not see a second finger.
        if (hit && !hit->isMultipleTouchEnabled()) {
            for (const auto& [id, other] : touches_) {
                if (other->view() == hit) hit.reset();
                if (!hit) break;
            }
        }
        int taps = 1;
        if (lastTapTime_ >= 0 && t - lastTapTime_ <= kMultiTapSeconds &&
            std::hypot(location.x - lastTapPoint_.x, location.y - lastTapPoint_.y) <= kMultiTapDistance) {
            taps = lastTapCount_ + 1;
        }
        touch = std::make_shared<Touch>(nextTouchId_++, location, t, taps);
        touch->setView(hit);
        touches_[pointer] = touch;
        if (!hit) return;
        TouchRoute route;
        route.touch = touch;
        for (auto v = hit; v; v = v->superview()) {
            for (const auto& r : v->gestureRecognizers()) {
                if (r->isEnabled()) route.recognizers.push_back(r);
            }
        }
        routes_[touch->identity()] = std::move(route);
    } else {
        auto it = touches_.find(pointer);
        if (it == touches_.end()) return;
        touch = it->second;
        if (phase == TouchPhase::Stationary) phase = TouchPhase::Moved;
        touch->update(phase, location, t);
    }
    const TouchEvent event(allTouches(), t);
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) touches_.erase(pointer);
    if (phase == TouchPhase::Ended) {
        lastTapTime_ = t;
        lastTapPoint_ = location;
        lastTapCount_ = touch->tapCount();
    }
    deliverToRecognizers(touch, phase, event);
    auto route = routes_.find(touch->identity());
    const bool toView = route != routes_.end() && !route->second.taken;
    if (toView && phase == TouchPhase::Began) route->second.viewBegan = true;
    if (route != routes_.end() && (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled))
        routes_.erase(route);
    auto view = touch->view();
    if (!toView || !view) return;
    switch (phase) {
        case TouchPhase::Began:
            view->touchesBegan({touch}, event);
            break;
        case TouchPhase::Moved:
            view->touchesMoved({touch}, event);
            break;
        case TouchPhase::Ended:
            view->touchesEnded({touch}, event);
            break;
        case TouchPhase::Cancelled:
            view->touchesCancelled({touch}, event);
            break;
        default:
            break;
    }
}

TouchList Window::allTouches() const {
    TouchList all;
    for (const auto& [id, tt] : touches_) all.push_back(tt);
    return all;
}

void Window::deliverToRecognizers(const std::shared_ptr<Touch>& touch, TouchPhase phase,
                                  const TouchEvent& event) {
    auto route = routes_.find(touch->identity());
    if (route == routes_.end() || route->second.recognizers.empty()) return;
    const auto recognizers = route->second.recognizers;  // an action may end the route
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
    };
    {
        Depth depth(recognizerDepth_);
        for (const auto& weak : recognizers) {
            if (auto r = weak.lock()) r->deliver(phase, {touch}, event);
        }
    }
    // The views hear of taken touches once every recognizer has seen this step, not in the
    // middle of one's decision.
    if (recognizerDepth_ == 0) cancelTakenTouches(event);
}

void Window::recognizerDidBegin(GestureRecognizer& recognizer) {
    recognizerTookTouches(recognizer.touches_);
}

void Window::recognizerTookTouches(const TouchList& touches) {
    bool any = false;
    for (const auto& t : touches) {
        auto route = routes_.find(t->identity());
        if (route == routes_.end() || route->second.taken) continue;
        route->second.takePending = true;
        any = true;
    }
    if (any && recognizerDepth_ == 0) cancelTakenTouches(TouchEvent(allTouches(), now()));
}

void Window::cancelTakenTouches(const TouchEvent& event) {
    std::vector<std::uint64_t> pending;
    for (const auto& [id, route] : routes_) {
        if (route.takePending) pending.push_back(id);
    }
    for (auto id : pending) {
        // An earlier view's handler may have ended routes since.
        auto route = routes_.find(id);
        if (route == routes_.end() || !route->second.takePending) continue;
        route->second.takePending = false;
        route->second.taken = true;
        if (!route->second.viewBegan) continue;
        auto touch = route->second.touch;
        if (auto view = touch->view()) view->touchesCancelled({touch}, event);
    }
}

void Window::cancelAllTouches() {
    std::vector<std::uint64_t> pointers;
    for (const auto& [id, t] : touches_) pointers.push_back(id);
    for (auto id : pointers) {
        auto it = touches_.find(id);
        if (it != touches_.end()) handleTouch(id, TouchPhase::Cancelled, it->second->locationInWindow());
    }
}

void Window::handleScroll(Point location, float dy) {
    markNeedsDisplay();
    layoutIfNeeded();
    for (auto v = hitTest(location); v; v = v->superview()) {
        if (v->scrollWheel(v->convertPointFromWindow(location), 0, dy)) return;
    }
}

void Window::handleWindowEvent(const platform::WindowEvent& e) {
    using Type = platform::WindowEvent::Type;
    constexpr std::uint64_t kMouse = 0;
    switch (e.type) {
        case Type::MouseDown:
            if (e.button == 1) handleTouch(kMouse, TouchPhase::Began, e.point);
            break;
        case Type::MouseMove:
            if (e.buttonHeld && touches_.count(kMouse)) handleTouch(kMouse, TouchPhase::Moved, e.point);
            break;
        case Type::MouseUp:
            if (e.button == 1) handleTouch(kMouse, TouchPhase::Ended, e.point);
            break;
        case Type::Wheel:
            handleScroll(e.point, e.wheel * View::kWheelNotchPoints);
            break;
        case Type::FocusLost:
        case Type::Minimized:
            cancelAllTouches();
            application_->enterBackground();
            break;
        case Type::FocusGained:
        case Type::Restored:
            application_->enterForeground();
            markNeedsDisplay();
            break;
        default:
            break;
    }
}

}  // namespace platform::ui
