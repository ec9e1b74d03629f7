#pragma once
// The real web engine for benchmarks: its host on the process's GLib loop, and a way to turn
// that loop until something has happened.
#include <glib.h>

#include <string>

namespace platform::web {
class WebKitHost;
}

// Made before any benchmark starts the web engine. The engine picks its renderer once, as it
// starts: a headless GL context made earlier in the process keeps it off its DMA-BUF renderer
// (docs/web-views.md), and a whole run's GL benchmarks come before its web ones. With the context
// made first, a web benchmark measures the same renderer alone as in the whole run. Empty when the
// engine runs, or will start, with that renderer kept off; otherwise why not (no headless context
// could be made, or the engine started before one was), which a web benchmark stops with rather
// than measure another renderer than the whole run's unsaid.
std::string makeGLContextBeforeTheEngine();

// The host with room for 8 views, or null (and why) without a display or on the DMA-BUF renderer. The engine
// keeps the loop it started on, whoever started it first.
platform::web::WebKitHost* benchWebHost(std::string& error);

// Spins the default context (where the loop's timers and the engine live) until done() holds, or
// false after `seconds`.
template <class F>
bool spinMainContext(F done, double seconds = 10) {
    const gint64 end = g_get_monotonic_time() + static_cast<gint64>(seconds * 1e6);
    while (!done()) {
        if (g_get_monotonic_time() > end) return false;
        g_main_context_iteration(nullptr, FALSE);
    }
    return true;
}
