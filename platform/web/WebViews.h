#pragma once
// Where the game's web views come from. The real engine lives in a library of its own
// (libtikoleap-web.so) that is opened with the first view, so a run that shows no page never maps
// the engine's libraries; the engine starts then, on a loop of the process's own on GLib's default
// main context: the window's run loop runs that context itself, and a headless run dispatches it
// between its ticks. Without a display no view can be made: the request fails at once, saying why,
// before the library is even opened, and the caller takes its failure path. Main thread only.
#include <memory>
#include <string>

#include "platform/web/WebEngine.h"

namespace platform::web {

class WebBackend;

class WebViews {
  public:
    // A view of width x height points, or null with the reason in `error`: no display, an engine
    // that could not be loaded or started (it is not tried again), or the cap on live views.
    static std::unique_ptr<WebEngine> create(int width, int height, std::string* error);
    // Whether a display is named (DISPLAY or WAYLAND_DISPLAY): without one no view is ever made.
    static bool displayNamed();
    // Whether the engine runs in this process: only then are there web events to dispatch.
    static bool engineRunning();
    // Whether a live view has a page on its way (asked for, neither finished nor failed yet).
    static bool loading();

    // The engine's library, once loaded (or linked by the program), else null; never loads it.
    static WebBackend* backend();
    // Called by the engine's library as it loads. Not owned; lives as long as the process.
    static void installBackend(WebBackend& backend);
};

}  // namespace platform::web
