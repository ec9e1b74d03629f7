#include "platform/pasteboard/Pasteboard.h"

#include <glib.h>

#include <cstddef>

#include "platform/web/WebBackend.h"
#include "platform/web/WebViews.h"

namespace platform {

Pasteboard& Pasteboard::general() {
    static Pasteboard* const pasteboard = new Pasteboard;  // reachable until the process ends
    return *pasteboard;
}

void Pasteboard::setString(const std::string& text) {
    text_ = text;
    reachedDesktop_ = false;
    // Only once the web engine runs does its toolkit offer the desktop's clipboard; asking never
    // loads the engine.
    web::WebBackend* backend = web::WebViews::backend();
    if (!usesDesktop_ || !backend) return;
    // Text that is not UTF-8 would be refused by the desktop's text targets.
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return;
    reachedDesktop_ = backend->offerToClipboard(text);
}

}  // namespace platform
