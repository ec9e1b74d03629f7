#pragma once
// The game in a desktop window: the mouse's left button as a finger, keys, the mouse's right
// button and a gamepad as tilt, the frame timer on the production run loop. A game shows at most
// one frame per display refresh; the screens between games are drawn by the window itself.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/CommandLine.h"

namespace platform {
class RunLoop;
struct WindowEvent;
namespace ui {
class WindowHost;
}
}  // namespace platform
class MyAppCore;

class WindowRun {
  public:
    explicit WindowRun(CommandLine options);
    ~WindowRun();
    WindowRun(const WindowRun&) = delete;
    WindowRun& operator=(const WindowRun&) = delete;

    // Whether a window can be opened here at all (a display exists).
    static bool displayAvailable();
    // The application id the window registers on the session bus: one running window per home
    // folder (--home), so runs that share their stored files share one window.
    static std::string instanceId(const std::optional<std::string>& home);
    // 0 after the player (or --quit-after-ms) closed the window; 1 with `error` on failure.
    int run(std::string* error);

    // The pieces of run(), for tests that drive the window on a loop of their own: opens the
    // window with `loop` as the main loop and launches the app (into --level's game when given);
    // false with `error`.
    bool open(std::shared_ptr<platform::RunLoop> loop, std::string* error);
    // Handles one desktop event as the window's own polling does.
    void handleEvent(const platform::WindowEvent& event);
    // Frames shown on the desktop so far.
    std::uint64_t presentedFrames() const;
    platform::ui::WindowHost& host();
    MyAppCore& core();

  private:
    struct State;

    CommandLine options_;
    std::unique_ptr<State> state_;
};
