#pragma once
// Drives a window the way a user would, for tests and scripted headless runs: finds views by
// outlet name, tag or title, taps them through real hit testing (so a covered, hidden or
// non-interactive view is not reached), reads texts, answers the front alert or action sheet,
// moves virtual time and captures the window as PNG.
#include <memory>
#include <string>

#include "platform/geometry/Geometry.h"

namespace platform {
class ManualRunLoop;
}

namespace platform::ui {

class Button;
class ModalPanel;
class View;
class Window;
class WindowRenderer;

class UiDriver {
  public:
    // `loop` is the window's virtual-clock loop, needed only for advance().
    explicit UiDriver(std::shared_ptr<Window> window, ManualRunLoop* loop = nullptr);

    Window& window() const { return *window_; }

    // --- finding (null when nothing matches) ---
    // A view bound to the outlet by any controller whose view is on the window.
    std::shared_ptr<View> outlet(const std::string& name) const;
    std::shared_ptr<View> viewWithTag(int tag) const;
    // A visible button showing the title (front-most first).
    std::shared_ptr<Button> buttonWithTitle(const std::string& title) const;

    // --- acting ---
    // Touches down and up at the view's centre. True when the touch landed on the view (or
    // inside it); false when the view is not on the window or something else took the touch.
    bool tap(const std::shared_ptr<View>& view);
    bool tapOutlet(const std::string& name) { return tap(outlet(name)); }
    bool tapTag(int tag) { return tap(viewWithTag(tag)); }
    bool tapButton(const std::string& title);
    // A tap at a window point; returns the view that took it (null for none).
    std::shared_ptr<View> tapAt(Point point);
    // Presses at `from`, moves in `steps` steps to `to`, lifts.
    void drag(Point from, Point to, int steps = 8);

    // --- reading ---
    // The text of a label, text view or button (its current title) behind an outlet; throws
    // std::runtime_error when there is no such outlet or it shows no text.
    std::string text(const std::string& outletName) const;
    static std::string textOf(const View& view, bool& found);

    // --- modals ---
    std::shared_ptr<ModalPanel> frontModal() const;
    // Taps the front panel's button reporting `index` (-1 is an action sheet's cancel).
    bool answerFront(int index);
    bool answerFront(const std::string& buttonTitle);

    // --- time and pictures ---
    // Moves the virtual clock (requires the loop given at construction).
    void advance(double seconds);
    // Ends a running transition at once.
    void finishTransitions();
    bool capture(WindowRenderer& renderer, const std::string& pngPath, std::string* error = nullptr);

  private:
    std::shared_ptr<Window> window_;
    ManualRunLoop* loop_;
    std::uint64_t pointer_ = 1000;
};

}  // namespace platform::ui
