#pragma once
// Puts a toolkit Window on the desktop: an SDL window of the same point size, a GL context on
// it and a renderer. Each pump() hands the desktop window's events to the toolkit window (mouse
// as a finger, minimise and focus as background and foreground) and draws a frame.
#include <functional>
#include <memory>
#include <string>

namespace platform {
class GLContext;
class RunLoop;
class Timer;
class Window;
struct WindowEvent;
}  // namespace platform

namespace platform::ui {

class Window;
class WindowRenderer;

class WindowHost {
  public:
    // Null with a reason in `error` when there is no display or no GL for it. `zoom` shows the
    // window's points that many times larger on the desktop.
    static std::unique_ptr<WindowHost> create(std::shared_ptr<Window> window, const std::string& title,
                                              std::string* error = nullptr, float zoom = 1.0f);
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // Delivers waiting events, then renders and presents one frame.
    void pump();
    // Delivers waiting events only; `observer` (when set) sees each one first, in desktop points.
    void pumpEvents(const std::function<void(const WindowEvent&)>& observer = {});
    // Renders and presents one frame of the window.
    void renderFrame();
    // Presents the last frame rendered again (the desktop lost the window's picture).
    void presentAgain();
    // Pumps from `loop` every `interval` seconds until the timer is invalidated.
    std::shared_ptr<Timer> attach(RunLoop& loop, double interval = 1.0 / 60.0);
    // The desktop window asked to close.
    bool quitRequested() const { return quit_; }
    WindowRenderer& renderer() { return *renderer_; }
    Window& window() { return *window_; }
    // The GL context of the desktop window; other views that draw with GL share it.
    const std::shared_ptr<GLContext>& context() const { return context_; }
    platform::Window& desktop() { return *desktop_; }

  private:
    WindowHost() = default;

    std::shared_ptr<Window> window_;
    std::unique_ptr<platform::Window> desktop_;
    std::shared_ptr<GLContext> context_;
    std::unique_ptr<WindowRenderer> renderer_;
    bool quit_ = false;
    float zoom_ = 1.0f;
};

}  // namespace platform::ui
