#pragma once
// The root of the view tree on screen: holds the root view controller's view, the views of
// presented controllers above it, the modal layer (alerts and action sheets, one at a time in the
// order they were shown) above everything, the whole-window
// transitions, and turns pointer and window events into touches and life-cycle notifications.
// Its clock is the run loop's, so transitions run on virtual time in tests.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "platform/ui/View.h"

namespace platform {
class RunLoop;
class Timer;
struct WindowEvent;
}  // namespace platform

namespace platform::ui {

class Application;
class ViewController;

// Numbered as the phone platform numbers its view transitions.
enum class WindowTransition { None = 0, FlipFromLeft = 1, FlipFromRight = 2, CurlUp = 3, CurlDown = 4 };

class Window : public View {
  public:
    explicit Window(Rect frame = {0, 0, 320, 480}, Application* application = nullptr);
    ~Window() override;
    const char* className() const override { return "Window"; }

    // The loop whose clock and timers the window uses; null means the main loop (or, without
    // one, the steady clock and no timers).
    void setRunLoop(RunLoop* loop) { loop_ = loop; }
    RunLoop* runLoop() const;
    double now() const;
    Application& application() const { return *application_; }

    void setRootViewController(std::shared_ptr<ViewController> controller);
    const std::shared_ptr<ViewController>& rootViewController() const { return root_; }
    void makeKeyAndVisible();
    // The subviews that screens put on the window (presented views and the modal layer left out).
    std::vector<std::shared_ptr<View>> contentSubviews() const;

    // --- presented controllers' views: above the content, below the modal layer, in the order
    // they came (ViewController's presentation puts them here) ---
    void addPresentedView(const std::shared_ptr<View>& view);
    void removePresentedView(const View* view);
    const std::vector<std::shared_ptr<View>>& presentedViews() const { return presented_; }
    bool isKeyWindow() const;

    // --- modal panels ---
    void presentModal(const std::shared_ptr<View>& panel);
    void dismissModal(const View* panel);
    // The panel on screen now, null when none.
    std::shared_ptr<View> frontModal() const;
    std::size_t modalCount() const { return modals_.size(); }

    // --- transitions ---
    // Animates from what was last drawn to the current tree over `duration` seconds of the
    // window's clock; a transition still running is finished first.
    void transition(WindowTransition kind, double duration, std::function<void()> completion = {});
    WindowTransition activeTransition() const { return transition_; }
    // 0 at the start, 1 at the end (and when none runs).
    float transitionProgress() const;
    // Changes with every new transition, so the renderer knows when to keep the old frame.
    std::uint64_t transitionSerial() const { return transitionSerial_; }
    void finishTransition();
    // Runs `then` once the transition running now has ended, at once when none runs: for what
    // comes over the new screen rather than with it.
    void afterTransition(std::function<void()> then);

    // --- drawing on demand ---
    // Whether a frame must be drawn: something changed since the last one, a transition runs,
    // or a time asked for by a view has come.
    bool needsDisplay() const;
    void markNeedsDisplay() { needsDisplay_ = true; }
    void markNeedsDisplayAt(double time);
    // The renderer is about to draw the window as it is now, and has drawn it: the frame's views
    // know they are on screen while it draws (a view left out, hidden or under an opaque one, is
    // not), and its listeners hear of each frame drawn. Frames are numbered from 1.
    void didDisplay();
    // What the last frame took to draw and present, on the window's clock (nothing on a virtual
    // clock): the main loop's time that a view asking for a frame costs it.
    void frameDrawn(double seconds) { lastFrameSeconds_ = seconds > 0 ? seconds : 0; }
    double lastFrameSeconds() const { return lastFrameSeconds_; }
    void didDraw();
    std::uint64_t displayCount() const { return displays_; }
    bool drawingFrame() const { return drawingFrame_; }
    // Calls `listener` once each frame has been drawn, for as long as the handle returned is held.
    // A listener may release the window, the view and any handle.
    using DrawListening = std::shared_ptr<void>;
    [[nodiscard]] DrawListening listenToDraws(std::function<void()> listener);

    // --- input (points in window coordinates) ---
    void handleTouch(std::uint64_t pointer, TouchPhase phase, Point location);
    void cancelAllTouches();
    // A wheel: scrolls the innermost scroll view under the point.
    void handleScroll(Point location, float dy);
    // Mouse as a finger; minimise or focus loss sends the application to the background,
    // restore or focus brings it back.
    void handleWindowEvent(const platform::WindowEvent& event);
    std::size_t activeTouchCount() const { return touches_.size(); }

  protected:
    void didAddSubview(const std::shared_ptr<View>& view) override;

  private:
    friend class GestureRecognizer;
    // Where one touch goes: the recognizers that saw it begin, then its view unless one of them
    // has taken it.
    struct TouchRoute {
        std::shared_ptr<Touch> touch;
        std::vector<std::weak_ptr<GestureRecognizer>> recognizers;  // nearest view first
        bool viewBegan = false;    // the view has seen it begin, so it must hear it end
        bool taken = false;        // the view has had touchesCancelled and sees no more of it
        bool takePending = false;  // taken during this step; the view hears of it at its end
    };

    void showFrontModal();
    void deliverToRecognizers(const std::shared_ptr<Touch>& touch, TouchPhase phase, const TouchEvent& event);
    // A recognizer that cancels touches in its view has begun: the views lose its touches.
    void recognizerDidBegin(GestureRecognizer& recognizer);
    // The same for touches a recognizer no longer follows: a discrete gesture recognised as its
    // last finger lifts takes that lift from the views.
    void recognizerTookTouches(const TouchList& touches);
    void cancelTakenTouches(const TouchEvent& event);
    TouchList allTouches() const;

    Application* application_;
    RunLoop* loop_ = nullptr;
    std::shared_ptr<ViewController> root_;
    std::shared_ptr<View> modalLayer_;
    std::deque<std::shared_ptr<View>> modals_;
    std::vector<std::shared_ptr<View>> presented_;
    bool restacking_ = false;

    bool needsDisplay_ = true;
    double displayAt_ = -1;  // a view's next frame on the window's clock; -1 none
    double lastFrameSeconds_ = 0;
    std::uint64_t displays_ = 0;
    bool drawingFrame_ = false;
    std::vector<std::weak_ptr<std::function<void()>>> drawListeners_;

    WindowTransition transition_ = WindowTransition::None;
    double transitionStart_ = 0;
    double transitionDuration_ = 0;
    std::uint64_t transitionSerial_ = 0;
    std::function<void()> transitionDone_;
    std::shared_ptr<Timer> transitionTimer_;

    std::map<std::uint64_t, std::shared_ptr<Touch>> touches_;
    std::map<std::uint64_t, TouchRoute> routes_;  // by touch identity
    int recognizerDepth_ = 0;                     // recognizer deliveries under way (they may nest)
    std::uint64_t nextTouchId_ = 1;
    double lastTapTime_ = -1;
    Point lastTapPoint_;
    int lastTapCount_ = 0;
};

}  // namespace platform::ui
