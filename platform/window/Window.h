#pragma once
// The desktop window (SDL2) the game shows in when a display exists. Created ready for an
// OpenGL ES 1.1 context (see GLContext::createForWindow).

#include <memory>
#include <string>
#include <vector>

#include "platform/geometry/Geometry.h"
#include "platform/window/WindowEvent.h"

namespace platform {

class Window {
  public:
    // A window of `widthPoints` x `heightPoints`. Null with a reason in `error` when there is no
    // display (or SDL cannot start its video subsystem).
    static std::unique_ptr<Window> create(int widthPoints, int heightPoints, const std::string& title,
                                          std::string* error = nullptr);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Every event waiting now, translated; never blocks.
    std::vector<WindowEvent> pollEvents();
    Size pointSize() const;
    // The drawable's size in pixels (larger than the point size on high-density screens).
    Size pixelSize() const;
    // Takes the window off the screen at once (the program is ending: whatever it still has to
    // put away, the player sees the window close now).
    void hide();
    bool isShown() const;
    // Whether the desktop may blank the screen or start its screensaver while the window is up
    // (SDL inhibits it while off). Main thread only.
    void setScreenSaverAllowed(bool allowed);
    bool isScreenSaverAllowed() const;
    // How often the display showing the window refreshes, in Hz; 0 when it does not say.
    double refreshRate() const;
    // The SDL_Window*, for the GL layer only.
    void* nativeHandle() const { return window_; }

  private:
    explicit Window(void* window) : window_(window) {}
    void* window_;
};

}  // namespace platform
