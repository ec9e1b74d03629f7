#pragma once
// The real web engine for benchmarks: its host on the process's GLib loop, and a way to turn
// that loop until something has happened.
#include <glib.h>

#include <string>

namespace platform::web {
class WebKitHost;
}

// The host with room for 8 views, or null (and why) without a display. The engine keeps the loop
// it started on, whoever started it first.
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
