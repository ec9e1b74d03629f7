#include "platform/runloop/MainContextPump.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

namespace platform {

int MainContextPump::dispatchReady(int limit) {
    int dispatched = 0;
    while (dispatched < limit && g_main_context_iteration(nullptr, FALSE)) ++dispatched;
    return dispatched;
}

bool MainContextPump::waitUntil(const std::function<bool()>& done, double seconds) {
    if (done()) return true;
    if (!(seconds > 0)) return false;
    seconds = std::min(seconds, 86400.0);  // a day: past it the milliseconds below would not fit
    const gint64 end = g_get_monotonic_time() + static_cast<gint64>(seconds * 1e6);
    // A blocked iteration wakes for the next event or for this source, at the end of the wait.
    GSource* deadline = g_timeout_source_new(static_cast<guint>(std::ceil(seconds * 1000)));
    g_source_set_callback(
        deadline, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
    g_source_attach(deadline, nullptr);
    bool met = false;
    while (!(met = done()) && g_get_monotonic_time() < end) g_main_context_iteration(nullptr, TRUE);
    g_source_destroy(deadline);
    g_source_unref(deadline);
    return met;
}

}  // namespace platform
