#include "platform/web/WebKitUserAgent.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

namespace platform::web {

namespace {

std::optional<std::string> readUserAgent() {
    if (!gdk_display_get_default()) {
        // GTK would otherwise switch the whole process to the environment's locale, and with it
        // how every number the game and the ad requests print is written.
        gtk_disable_setlocale();
        // Without a display GTK cannot start, and the engine's settings cannot even be made.
        if (!gtk_init_check(nullptr, nullptr)) return std::nullopt;
    }
    WebKitSettings* settings = webkit_settings_new();
    const char* agent = webkit_settings_get_user_agent(settings);
    std::optional<std::string> text;
    if (agent && *agent) text = agent;
    g_object_unref(settings);
    return text;
}

}  // namespace

std::optional<std::string> webKitDefaultUserAgent() {
    // Read once: GTK takes only one attempt at starting.
    static const std::optional<std::string> agent = readUserAgent();
    return agent;
}

}  // namespace platform::web
