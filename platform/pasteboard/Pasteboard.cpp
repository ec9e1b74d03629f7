#include "platform/pasteboard/Pasteboard.h"

#include <gtk/gtk.h>

#include <cstddef>

namespace platform {

namespace {

// GTK is started by the web engine only; before that (or without a display) there is no desktop
// clipboard to reach, and asking for one would start GTK's display connection here.
bool gtkRunning() {
    GdkDisplayManager* manager = gdk_display_manager_get();
    return manager && gdk_display_manager_get_default_display(manager) != nullptr;
}

}  // namespace

Pasteboard& Pasteboard::general() {
    static Pasteboard* const pasteboard = new Pasteboard;  // reachable until the process ends
    return *pasteboard;
}

void Pasteboard::setString(const std::string& text) {
    text_ = text;
    reachedDesktop_ = false;
    if (!usesDesktop_ || !gtkRunning()) return;
    // Text that is not UTF-8 would be refused by the desktop's text targets.
    if (text.size() > static_cast<std::size_t>(G_MAXINT) ||
        !g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return;
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    if (!clipboard) return;
    // Only takes the selection; pastes are answered later from the main loop. (Handing the text
    // to a clipboard manager so it outlives the game would wait for that manager's answer.)
    gtk_clipboard_set_text(clipboard, text.data(), static_cast<gint>(text.size()));
    reachedDesktop_ = true;
}

}  // namespace platform
