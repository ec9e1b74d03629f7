#include "platform/webext/MediaHold.h"

#include <webkit2/webkit-web-extension.h>

#include <utility>
#include <vector>

#include "platform/web/WebExtensionProtocol.h"

namespace webext {

namespace {

constexpr const char* kWorldName = "tikoleap-media";

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

// Runs in the page's own world of each frame before any script of the page, called with whether
// the page is shown; returns what tells it later. It holds what the window's listeners above never
// see: a play of an element outside the document or in a shadow root, or played again as it is
// paused, what starts in a shadow root a script attaches, WebAudio and speech. Every built-in it
// calls is taken now, so nothing the page changes later reaches it, and the originals stay in this
// closure alone (every frame gets its own before the page can reach it, so a new frame hands out no
// untouched player either; a frame that may run no script gets none, and its players stay the
// engine's). A play asked for while hidden waits, its promise with it, and starts once the page is
// shown.
constexpr const char* kGuard = R"JS((function (shown) {
  var apply = Reflect.apply, construct = Reflect.construct, describe = Object.getOwnPropertyDescriptor;
  var define = Object.defineProperty, protoOf = Object.getPrototypeOf, create = Object.create;
  var Waiting = Promise, Abort = DOMException, Table = Map;
  var get = Map.prototype.get, set = Map.prototype.set, remove = Map.prototype.delete;
  var each = Map.prototype.forEach, clear = Map.prototype.clear, size = describe(Map.prototype, 'size').get;
  function find(o, name) {
    for (; o; o = protoOf(o)) { var d = describe(o, name); if (d) return [o, d]; }
    return null;
  }
  function ignore() {}
  // What plays while the page is shown, to stop as it hides; what waits, and the page's promise.
  // A player called on what is none (a rejected promise) is noted too: what asks whether it runs
  // must not throw, or the rest of the table would play on.
  var started = new Table(), held = new Table(), limit = 64;
  function note(target, kind) {
    apply(set, started, [target, kind]);
    if (apply(size, started, []) < limit) return;
    apply(each, started, [function (k, t) { if (!k.running(t)) apply(remove, started, [t]); }]);
    limit = 2 * apply(size, started, []) + 64;
  }
  // Holds the target; the promise of the page's play, when the page asked for it.
  function hold(target, kind, asked) {
    var entry = apply(get, held, [target]);
    if (!entry) {
      entry = {kind: kind, promise: null, resolve: ignore, reject: ignore};
      apply(set, held, [target, entry]);
    }
    if (asked && !entry.promise) {
      entry.promise = new Waiting(function (resolve, reject) {
        entry.resolve = resolve;
        entry.reject = reject;
      });
    }
    return entry.promise;
  }
  function wrap(owner, name, method) {
    var d = describe(owner, name);
    d.value = method;
    define(owner, name, d);
  }
  function guard(kind, owner, name) {
    var start = describe(owner, name).value;
    kind.start = start;
    wrap(owner, name, {[name]: function () {
      if (shown) {
        var result = apply(start, this, arguments);
        note(this, kind);
        return result;
      }
      if (kind.running(this)) apply(kind.stop, this, []);
      return hold(this, kind, true);
    }}[name]);
  }
  // A page that stops what waits does not see it start.
  function guardStop(kind, owner, name, settle) {
    var stop = describe(owner, name).value;
    kind.stop = stop;
    wrap(owner, name, {[name]: function () {
      var result = apply(stop, this, arguments);
      var entry = apply(get, held, [this]);
      if (entry) { apply(remove, held, [this]); settle(entry); }
      return result;
    }}[name]);
  }
  if (typeof HTMLMediaElement == 'function') {
    var media = HTMLMediaElement.prototype, paused = find(media, 'paused')[1].get;
    var element = {running: function (m) {
      try { return !apply(paused, m, []); } catch (e) { return false; }
    }};
    guard(element, media, 'play');
    guardStop(element, media, 'pause', function (entry) {
      entry.reject(new Abort('The play() request was interrupted by a call to pause().', 'AbortError'));
    });
    // A `play` in a shadow root reaches no listener of the window, but its root's first (what its
    // `autoplay` starts there included).
    var attach = Element.prototype.attachShadow, listen = EventTarget.prototype.addEventListener;
    var targetOf = find(Event.prototype, 'target')[1].get;
    var onPlay = function (e) {
      var m = apply(targetOf, e, []);
      if (!e.isTrusted || !element.running(m)) return;
      if (shown) note(m, element);
      else { apply(element.stop, m, []); hold(m, element, false); }
    };
    if (attach) {
      wrap(Element.prototype, 'attachShadow', {attachShadow: function () {
        var root = apply(attach, this, arguments);
        apply(listen, root, ['play', onPlay, true]);
        return root;
      }}.attachShadow);
    }
  }
  if (typeof AudioContext == 'function') {
    var Context = AudioContext;
    var state = find(Context.prototype, 'state')[1].get;
    var context = {running: function (c) {
      try { return apply(state, c, []) === 'running'; } catch (e) { return false; }
    }};
    var resume = find(Context.prototype, 'resume'), suspend = find(Context.prototype, 'suspend');
    guardStop(context, suspend[0], 'suspend', function (entry) { entry.resolve(undefined); });
    guard(context, resume[0], 'resume');
    var traps = create(null);
    traps.construct = function (target, args, newTarget) {
      var c = construct(target, args, newTarget);
      if (shown) note(c, context);
      else { apply(context.stop, c, []); hold(c, context, false); }
      return c;
    };
    var Guarded = new Proxy(Context, traps);
    wrap(window, 'AudioContext', Guarded);
    wrap(Context.prototype, 'constructor', Guarded);
  }
  // Words spoken while hidden wait here, in their order, to be said once the page is shown (the
  // engine starts them at once even while paused); what is being said as it hides pauses.
  var queued = new Table();
  if (typeof SpeechSynthesis == 'function') {
    var voice = SpeechSynthesis.prototype, say = voice.speak, hush = voice.cancel;
    var speaking = find(voice, 'speaking')[1].get, quiet = find(voice, 'paused')[1].get;
    var speech = {running: function (s) {
      try { return apply(speaking, s, []) && !apply(quiet, s, []); } catch (e) { return false; }
    }};
    guardStop(speech, voice, 'pause', function (entry) { entry.resolve(undefined); });
    guard(speech, voice, 'resume');
    wrap(voice, 'speak', {speak: function (words) {
      if (shown) {
        var result = apply(say, this, arguments);
        note(this, speech);
        return result;
      }
      apply(set, queued, [{}, {synthesis: this, words: words}]);
    }}.speak);
    wrap(voice, 'cancel', {cancel: function () {
      var synthesis = this;
      apply(each, queued, [function (entry, key) {
        if (entry.synthesis === synthesis) apply(remove, queued, [key]);
      }]);
      return apply(hush, this, arguments);
    }}.cancel);
  }
  return function (now) {
    if (now == shown) return;
    shown = now;
    if (!now) {
      apply(each, started, [function (kind, target) {
        if (kind.running(target)) { apply(kind.stop, target, []); hold(target, kind, false); }
      }]);
      apply(clear, started, []);
      return;
    }
    apply(each, held, [function (entry, target) {
      note(target, entry.kind);
      try { entry.resolve(apply(entry.kind.start, target, [])); } catch (e) { entry.reject(e); }
    }]);
    apply(clear, held, []);
    apply(each, queued, [function (entry) {
      try { apply(say, entry.synthesis, [entry.words]); note(entry.synthesis, speech); } catch (e) {}
    }]);
    apply(clear, queued, []);
  };
}))JS";

// Evaluates `script` in `context` and calls what it returns with `shown`; what that returns (a new
// reference), or null.
JSCValue* install(JSCContext* context, const char* script, bool shown) {
    JSCValue* result = nullptr;
    JSCValue* installer = jsc_context_evaluate(context, script, -1);
    if (installer && jsc_value_is_function(installer)) {
        result = jsc_value_function_call(installer, G_TYPE_BOOLEAN, shown, G_TYPE_NONE);
        if (result && !jsc_value_is_function(result)) g_clear_object(&result);
    }
    if (installer) g_object_unref(installer);
    jsc_context_clear_exception(context);
    return result;
}

void call(JSCValue* tell, bool shown) {
    JSCValue* result = jsc_value_function_call(tell, G_TYPE_BOOLEAN, shown, G_TYPE_NONE);
    if (result) g_object_unref(result);
    jsc_context_clear_exception(jsc_value_get_context(tell));
}

// The players of a window that is gone (its frame removed or navigated) still play what the page
// hands them: told once more that the page is hidden, they stop what they started and hold the
// rest for good. Takes the reference.
gboolean retire(gpointer tell) {
    call(static_cast<JSCValue*>(tell), false);
    g_object_unref(tell);
    return G_SOURCE_REMOVE;
}

}  // namespace

struct MediaHold::Signals {
    static void windowCleared(WebKitScriptWorld*, WebKitWebPage* page, WebKitFrame* frame, gpointer data) {
        auto* self = static_cast<MediaHold*>(data);
        const std::uint64_t id = webkit_web_page_get_id(page);
        const auto [at, added] = self->frames_.try_emplace(frame, Frame{id, nullptr, nullptr});
        if (added) g_object_weak_ref(G_OBJECT(frame), frameGone, self);
        Frame& entry = at->second;
        entry.page = id;
        const auto known = self->shown_.find(id);
        const bool shown = known != self->shown_.end() && known->second;
        // The window is new: the last one's are done with.
        if (entry.tellWorld) g_clear_object(&entry.tellWorld);
        if (entry.tellPage) retire(std::exchange(entry.tellPage, nullptr));
        if (JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, self->world_)) {
            entry.tellWorld = install(context, kHold, shown);
            g_object_unref(context);
        }
        if (JSCContext* context = webkit_frame_get_js_context(frame)) {
            entry.tellPage = install(context, kGuard, shown);
            g_object_unref(context);
        }
    }
    static void frameGone(gpointer data, GObject* frame) {
        auto& frames = static_cast<MediaHold*>(data)->frames_;
        const auto at = frames.find(reinterpret_cast<WebKitFrame*>(frame));
        if (at == frames.end()) return;
        if (at->second.tellWorld) g_object_unref(at->second.tellWorld);
        // Not within the frame's end: the engine may be tearing the frame down.
        if (at->second.tellPage) g_idle_add(retire, at->second.tellPage);
        frames.erase(at);
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
    // Each call runs a frame's script, which may end frames: the references are taken first.
    std::vector<JSCValue*> tells;
    for (const auto& [frame, entry] : frames_) {
        if (entry.page != page) continue;
        for (JSCValue* tell : {entry.tellWorld, entry.tellPage})
            if (tell) tells.push_back(static_cast<JSCValue*>(g_object_ref(tell)));
    }
    for (JSCValue* tell : tells) {
        call(tell, shown);
        g_object_unref(tell);
    }
}

}  // namespace webext
