#pragma once
// Input for a real-engine view in an offscreen window, which no display ever sends events to:
// mouse, key and focus events are made here and handed to the view as GTK would hand them, with
// coordinates turned from the view's points into the widget's pixels (points x the view's
// scale). Scrolling is done by the page itself, from a script of the host's own world, since
// the engine's wheel step depends on the view's size and a drag must move the page by exactly
// the points the finger moved.
#include "platform/web/WebTypes.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _WebKitWebView WebKitWebView;

namespace platform::web {

class WebKitInput {
  public:
    static void sendMouse(GtkWidget* view, const MouseEvent& event, double scale);
    // Unknown keys (see KeyEvent) are dropped.
    static void sendKey(GtkWidget* view, const KeyEvent& event);
    // Scrolls the innermost scrolling element under the point, or else the page, in the
    // script world `world`.
    static void sendScroll(WebKitWebView* view, const char* world, const ScrollEvent& event);
    // Gives the view the keyboard focus, or takes it away, as a click into it and a click
    // elsewhere would. (Focusing the offscreen window itself upsets the X server.)
    static void setFocused(GtkWidget* view, bool focused);
};

}  // namespace platform::web
