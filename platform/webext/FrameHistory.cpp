#include "platform/webext/FrameHistory.h"

#include <webkit2/webkit-web-extension.h>

#include <algorithm>

namespace webext {

namespace {

// Called with the counting function. The originals stay out of the page's reach, so whatever the
// page puts in their place (a script wrapping them, as analytics scripts do, is left free to) still
// goes through the counting ones, and the address handed on is the one counted.
constexpr const char* kWrap = R"JS((function (count) {
  var H = window.History && History.prototype;
  if (!H) return;
  var apply = Reflect.apply, text = String;
  ['pushState', 'replaceState'].forEach(function (name) {
    var original = H[name];
    if (typeof original !== 'function') return;
    Object.defineProperty(H, name, {configurable: true, writable: true, enumerable: true,
      value: function (state, title, url) {
        if (url === undefined || url === null) {
          count(0);
          return apply(original, this, [state, title]);
        }
        url = text(url);
        count(url.length);
        return apply(original, this, [state, title, url]);
      }});
  });
}))JS";

struct Frame {
    FrameHistory* history;
    std::uint64_t page;
};

}  // namespace

struct FrameHistory::Signals {
    static void counted(double characters, gpointer data) {
        auto* frame = static_cast<Frame*>(data);
        frame->history->count(frame->page, characters);
    }
    static void destroyFrame(gpointer data) { delete static_cast<Frame*>(data); }
    static void windowCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                              gpointer data) {
        // The main frame's address is the view's, which the host watches itself.
        if (webkit_frame_is_main_frame(frame)) return;
        JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
        if (!context) return;
        JSCValue* counter =
            jsc_value_new_function(context, nullptr, G_CALLBACK(counted),
                                   new Frame{static_cast<FrameHistory*>(data), webkit_web_page_get_id(page)},
                                   destroyFrame, G_TYPE_NONE, 1, G_TYPE_DOUBLE);
        JSCValue* wrap = jsc_context_evaluate(context, kWrap, -1);
        if (wrap && jsc_value_is_function(wrap)) {
            JSCValue* result = jsc_value_function_call(wrap, JSC_TYPE_VALUE, counter, G_TYPE_NONE);
            if (result) g_object_unref(result);
        }
        if (wrap) g_object_unref(wrap);
        g_object_unref(counter);
        jsc_context_clear_exception(context);
        g_object_unref(context);
    }
    static gboolean flush(gpointer data) {
        static_cast<FrameHistory*>(data)->flush();
        return G_SOURCE_REMOVE;
    }
};

void FrameHistory::start(void (*tellHost)(std::uint64_t, std::uint32_t, std::uint64_t)) {
    // Lives as long as the process.
    auto* history = new FrameHistory(tellHost);
    g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                     G_CALLBACK(Signals::windowCleared), history);
}

void FrameHistory::count(std::uint64_t page, double characters) {
    Counted& counted = counted_[page];
    ++counted.changes;
    counted.characters += static_cast<std::uint64_t>(std::clamp(characters, 0.0, 1e12));
    if (flushing_) return;
    flushing_ = true;
    g_timeout_add(kFlushMilliseconds, &Signals::flush, this);
}

void FrameHistory::flush() {
    flushing_ = false;
    const auto counted = std::move(counted_);
    counted_.clear();
    for (const auto& [page, c] : counted) tellHost_(page, c.changes, c.characters);
}

}  // namespace webext
