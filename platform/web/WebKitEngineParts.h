#pragma once
// What the WebKit engine's units share privately: the GObject signal handlers and the record of a
// script under way. Not for use outside platform/web.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <memory>

#include "platform/runloop/Timer.h"
#include "platform/web/WebKitEngine.h"

namespace platform::web {

// True once the engine behind `alive` is destroyed. The destructor marks the token as well as
// dropping it, since a timer of the engine's holds the token while its callback runs.
inline bool gone(const std::weak_ptr<int>& alive) {
    const auto token = alive.lock();
    return !token || *token != 0;
}

struct WebKitEngine::PendingScript {
    std::weak_ptr<int> alive;
    WebKitEngine* engine = nullptr;
    ScriptCompletion done;
    GCancellable* cancellable = nullptr;
    std::shared_ptr<Timer> timer;

    ~PendingScript() {
        if (cancellable) g_object_unref(cancellable);
    }
    bool finished = false;

    // Calls the completion once, while the engine lives.
    void finish(const ScriptResult& result) {
        if (finished) return;
        finished = true;
        ScriptCompletion callback = std::move(done);
        if (timer) timer->invalidate();
        if (gone(alive)) return;
        // May drop this record (the caller holds it); only locals are used afterwards.
        std::erase_if(engine->scripts_,
                      [this](const std::shared_ptr<PendingScript>& p) { return p.get() == this; });
        if (callback) callback(result);
    }
};

// GObject signal handlers; `data` is the engine, disconnected before it goes. Each hands the
// engine one event and touches it no more afterwards: the delegate may release it meanwhile.
struct WebKitEngine::Signals {
    static gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer data);
    static void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data);
    static gboolean loadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failingUri, GError* error,
                               gpointer data);
    static gboolean scriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data);
    // No view ever opens a window: an allowed new-window navigation loads in this view.
    static GtkWidget* create(WebKitWebView*, WebKitNavigationAction*, gpointer);
    static void responsive(GObject* view, GParamSpec*, gpointer data);
    static void uriChanged(GObject* view, GParamSpec*, gpointer data);
    static gboolean userMessage(WebKitWebView*, WebKitUserMessage* message, gpointer data);
    static void processTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer data);
    // The view has drawn a new picture of the page into its window; a page that stands still
    // draws none.
    static gboolean drawn(GtkWidget*, cairo_t*, gpointer data);
    static void sizeMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data);
    static void scriptDone(GObject* source, GAsyncResult* result, gpointer data);
};

}  // namespace platform::web
