#include "platform/webext/MediaHold.h"

#include <webkit2/webkit-web-extension.h>

#include <vector>

#include "platform/web/WebExtensionProtocol.h"

namespace webext {

namespace {

constexpr const char* kWorldName = "tikoleap-media";
constexpr const char* kTellName = "tikoleapMediaShown";

// Called with whether the page is shown; returns what tells it later. A media element's `play`
// reaches the window's capturing listeners first, wherever it lies in the document.
constexpr const char* kHold = R"JS((function (shown) {
  var held = new Set();
  function hold(m) { held.add(m); m.pause(); }
  addEventListener('play', function (e) {
    if (!shown && e.target instanceof HTMLMediaElement) hold(e.target);
  }, true);
  return function (now) {
    shown = now;
    if (!now) {
      document.querySelectorAll('audio, video').forEach(function (m) { if (!m.paused) hold(m); });
      return;
    }
    held.forEach(function (m) { var p = m.play(); if (p) p.catch(function () {}); });
    held.clear();
  };
}))JS";

}  // namespace

struct MediaHold::Signals {
    static void windowCleared(WebKitScriptWorld*, WebKitWebPage* page, WebKitFrame* frame, gpointer data) {
        auto* self = static_cast<MediaHold*>(data);
        const std::uint64_t id = webkit_web_page_get_id(page);
        if (self->frames_.emplace(frame, id).second) g_object_weak_ref(G_OBJECT(frame), frameGone, self);
        JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, self->world_);
        if (!context) return;
        JSCValue* hold = jsc_context_evaluate(context, kHold, -1);
        if (hold && jsc_value_is_function(hold)) {
            const auto shown = self->shown_.find(id);
            JSCValue* tell = jsc_value_function_call(
                hold, G_TYPE_BOOLEAN, shown != self->shown_.end() && shown->second, G_TYPE_NONE);
            if (tell) {
                jsc_context_set_value(context, kTellName, tell);
                g_object_unref(tell);
            }
        }
        if (hold) g_object_unref(hold);
        jsc_context_clear_exception(context);
        g_object_unref(context);
    }
    static void frameGone(gpointer data, GObject* frame) {
        static_cast<MediaHold*>(data)->frames_.erase(reinterpret_cast<WebKitFrame*>(frame));
    }
    static gboolean message(WebKitWebPage* page, WebKitUserMessage* message, gpointer data) {
        if (g_strcmp0(webkit_user_message_get_name(message), platform::web::extension::kMediaShownMessage) !=
            0)
            return FALSE;
        GVariant* shown = webkit_user_message_get_parameters(message);
        if (shown && g_variant_is_of_type(shown, G_VARIANT_TYPE_BOOLEAN))
            static_cast<MediaHold*>(data)->setShown(webkit_web_page_get_id(page),
                                                    g_variant_get_boolean(shown));
        return TRUE;
    }
};

MediaHold& MediaHold::start() {
    static MediaHold* const hold = new MediaHold;
    return *hold;
}

MediaHold::MediaHold() : world_(webkit_script_world_new_with_name(kWorldName)) {
    g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                     G_CALLBACK(Signals::windowCleared), this);
}

void MediaHold::watch(WebKitWebPage* page) {
    g_signal_connect(page, "user-message-received", G_CALLBACK(Signals::message), this);
}

void MediaHold::setShown(std::uint64_t page, bool shown) {
    bool& current = shown_[page];
    if (current == shown) return;
    current = shown;
    std::vector<WebKitFrame*> frames;
    for (const auto& [frame, id] : frames_)
        if (id == page) frames.push_back(frame);
    for (WebKitFrame* frame : frames) tell(frame, shown);
}

void MediaHold::tell(WebKitFrame* frame, bool shown) {
    JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world_);
    if (!context) return;
    JSCValue* tell = jsc_context_get_value(context, kTellName);
    if (tell && jsc_value_is_function(tell)) {
        JSCValue* result = jsc_value_function_call(tell, G_TYPE_BOOLEAN, shown, G_TYPE_NONE);
        if (result) g_object_unref(result);
    }
    if (tell) g_object_unref(tell);
    jsc_context_clear_exception(context);
    g_object_unref(context);
}

}  // namespace webext
