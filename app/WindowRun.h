#pragma once
// The game in a desktop window: mouse as touch, keys/mouse/gamepad as tilt, the frame timer on
// the production run loop.
#include <optional>
#include <string>

#include "app/CommandLine.h"

class WindowRun {
  public:
    explicit WindowRun(CommandLine options) : options_(std::move(options)) {}

    // Whether a window can be opened here at all (a display exists).
    static bool displayAvailable();
    // The application id the window registers on the session bus: one running window per home
    // folder (--home), so runs that share their stored files share one window.
    static std::string instanceId(const std::optional<std::string>& home);
    // 0 after the player (or --quit-after-ms) closed the window; 1 with `error` on failure.
    int run(std::string* error);

  private:
    CommandLine options_;
};
