#include "platform/ui/Window.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/runloop/RunLoop.h"
#include "platform/ui/Application.h"
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

bool Window::needsDisplay() const {
    return needsDisplay_ || transition_ != WindowTransition::None || (displayAt_ >= 0 && now() >= displayAt_);
}

void Window::markNeedsDisplayAt(double time) {
    if (displayAt_ < 0 || time < displayAt_) displayAt_ = time;
}

void Window::didDisplay() {
    needsDisplay_ = false;
    if (displayAt_ >= 0 && now() >= displayAt_) displayAt_ = -1;
}

void Window::handleTouch(std::uint64_t pointer, TouchPhase phase, Point location) {
    auto keep = shared_from_this();
    // What a touch does shows on screen (a highlighted button, a dragged list).
    markNeedsDisplay();
    const double t = now();
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
        auto touch = std::make_shared<Touch>(nextTouchId_++, location, t, taps);
        touch->setView(hit);
        touches_[pointer] = touch;
        if (!hit) return;
        TouchList all;
        for (const auto& [id, tt] : touches_) all.push_back(tt);
        hit->touchesBegan({touch}, TouchEvent(all, t));
        return;
    }
    auto it = touches_.find(pointer);
    if (it == touches_.end()) return;
    auto touch = it->second;
    if (phase == TouchPhase::Stationary) phase = TouchPhase::Moved;
    touch->update(phase, location, t);
    TouchList all;
    for (const auto& [id, tt] : touches_) all.push_back(tt);
    const TouchEvent event(all, t);
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) touches_.erase(pointer);
    if (phase == TouchPhase::Ended) {
        lastTapTime_ = t;
        lastTapPoint_ = location;
        lastTapCount_ = touch->tapCount();
    }
    auto view = touch->view();
    if (!view) return;
    switch (phase) {
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
