#include "platform/web/WebKitInput.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "platform/web/WebEngine.h"

namespace platform::web {

namespace {

// Scrolls by (dx, dy) the innermost element under (x, y) that can scroll that way, else the page.
constexpr const char* kScrollScript = R"JS((function(x, y, dx, dy) {
  for (var e = document.elementFromPoint(x, y); e && e !== document.documentElement && e !== document.body;
       e = e.parentElement) {
    var s = getComputedStyle(e);
    var canY = dy && e.scrollHeight > e.clientHeight && /auto|scroll/.test(s.overflowY);
    var canX = dx && e.scrollWidth > e.clientWidth && /auto|scroll/.test(s.overflowX);
    if (canX || canY) { e.scrollBy(dx, dy); return; }
  }
  window.scrollBy(dx, dy);
}))JS";

struct NamedKey {
    std::string_view name;
    guint keyval;
};
constexpr std::array<NamedKey, 13> kNamedKeys{{{"Enter", GDK_KEY_Return},
                                               {"Backspace", GDK_KEY_BackSpace},
                                               {"Tab", GDK_KEY_Tab},
                                               {"Escape", GDK_KEY_Escape},
                                               {"Delete", GDK_KEY_Delete},
                                               {"Home", GDK_KEY_Home},
                                               {"End", GDK_KEY_End},
                                               {"PageUp", GDK_KEY_Page_Up},
                                               {"PageDown", GDK_KEY_Page_Down},
                                               {"ArrowLeft", GDK_KEY_Left},
                                               {"ArrowRight", GDK_KEY_Right},
                                               {"ArrowUp", GDK_KEY_Up},
                                               {"ArrowDown", GDK_KEY_Down}}};

guint keyvalOf(const std::string& key) {
    for (const auto& named : kNamedKeys) {
        if (named.name == key) return named.keyval;
    }
    const gunichar c = g_utf8_get_char_validated(key.c_str(), static_cast<gssize>(key.size()));
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) return 0;
    return gdk_unicode_to_keyval(c);
}

GdkDevice* device(GdkWindow* window, bool keyboard) {
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    return keyboard ? gdk_seat_get_keyboard(seat) : gdk_seat_get_pointer(seat);
}

}  // namespace

void WebKitInput::sendMouse(GtkWidget* view, const MouseEvent& event, double scale) {
    GdkWindow* window = gtk_widget_get_window(view);
    if (!window) return;
    const bool motion = event.type == MouseEventType::Move;
    GdkEvent* e = gdk_event_new(motion                               ? GDK_MOTION_NOTIFY
                                : event.type == MouseEventType::Down ? GDK_BUTTON_PRESS
                                                                     : GDK_BUTTON_RELEASE);
    if (motion) {
        e->motion.window = GDK_WINDOW(g_object_ref(window));
        e->motion.x = e->motion.x_root = event.x * scale;
        e->motion.y = e->motion.y_root = event.y * scale;
        e->motion.time = GDK_CURRENT_TIME;
    } else {
        e->button.window = GDK_WINDOW(g_object_ref(window));
        e->button.x = e->button.x_root = event.x * scale;
        e->button.y = e->button.y_root = event.y * scale;
        e->button.button = 1;
        e->button.time = GDK_CURRENT_TIME;
        if (event.type == MouseEventType::Up) e->button.state = GDK_BUTTON1_MASK;
    }
    gdk_event_set_device(e, device(window, false));
    gtk_widget_event(view, e);
    gdk_event_free(e);
}

void WebKitInput::sendKey(GtkWidget* view, const KeyEvent& event) {
    GdkWindow* window = gtk_widget_get_window(view);
    const guint keyval = WebEngine::isKnownKey(event.key) ? keyvalOf(event.key) : 0;
    if (!window || keyval == 0) return;
    GdkEvent* e = gdk_event_new(event.type == KeyEventType::Down ? GDK_KEY_PRESS : GDK_KEY_RELEASE);
    e->key.window = GDK_WINDOW(g_object_ref(window));
    e->key.send_event = TRUE;
    e->key.time = GDK_CURRENT_TIME;
    e->key.keyval = keyval;
    // The key that makes the character on the current layout, with shift when it is on the
    // shifted level; characters no key makes go by their key value alone.
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_window_get_display(window));
    if (gdk_keymap_get_entries_for_keyval(keymap, keyval, &keys, &count) && count > 0) {
        e->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        e->key.group = static_cast<guint8>(keys[0].group);
        if (keys[0].level == 1) e->key.state = GDK_SHIFT_MASK;
    }
    g_free(keys);
    const gunichar c = gdk_keyval_to_unicode(keyval);
    if (c >= 0x20 && c != 0x7F) {
        gchar text[7] = {};
        e->key.length = g_unichar_to_utf8(c, text);
        e->key.string = g_strdup(text);
    } else {
        e->key.string = g_strdup("");
    }
    gdk_event_set_device(e, device(window, true));
    gtk_widget_event(view, e);
    gdk_event_free(e);  // frees the window reference and the string
}

void WebKitInput::sendScroll(WebKitWebView* view, const char* world, const ScrollEvent& event) {
    if (!std::isfinite(event.x) || !std::isfinite(event.y) || !std::isfinite(event.dx) ||
        !std::isfinite(event.dy))
        return;
    char args[160];
    g_snprintf(args, sizeof args, "(%.3f,%.3f,%.3f,%.3f)", event.x, event.y, event.dx, event.dy);
    const std::string script = std::string(kScrollScript) + args;
    webkit_web_view_evaluate_javascript(view, script.c_str(), static_cast<gssize>(script.size()), world,
                                        nullptr, nullptr, nullptr, nullptr);
}

void WebKitInput::setFocused(GtkWidget* view, bool focused) {
    GdkWindow* gdkWindow = gtk_widget_get_window(view);
    if (!gdkWindow) return;
    if (focused) gtk_widget_grab_focus(view);
    GdkEvent* e = gdk_event_new(GDK_FOCUS_CHANGE);
    e->focus_change.window = GDK_WINDOW(g_object_ref(gdkWindow));
    e->focus_change.send_event = TRUE;
    e->focus_change.in = focused ? TRUE : FALSE;
    gtk_widget_send_focus_change(view, e);
    gdk_event_free(e);
}

}  // namespace platform::web
