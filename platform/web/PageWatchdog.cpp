#include "platform/web/PageWatchdog.h"

#include <webkit2/webkit2.h>

#include "platform/runloop/RunLoop.h"

namespace platform::web {

struct PageWatchdog::Probe {
    std::weak_ptr<int> alive;
    PageWatchdog* watchdog;
    GCancellable* cancellable;  // tells this probe from a later one

    ~Probe() { g_object_unref(cancellable); }

    static void done(GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Probe> probe(static_cast<Probe*>(data));
        JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
        if (value) g_object_unref(value);
        const auto alive = probe->alive.lock();
        if (alive && *alive == 0 && probe->watchdog->inFlight_ == probe->cancellable)
            probe->watchdog->answered();
    }
};

PageWatchdog::PageWatchdog(RunLoop& loop, WebKitWebView* view, const char* world, double intervalSeconds,
                           double timeoutSeconds, std::function<void()> onStuck)
    : loop_(loop),
      view_(view),
      world_(world),
      interval_(intervalSeconds),
      timeout_(timeoutSeconds),
      onStuck_(std::move(onStuck)) {}

PageWatchdog::~PageWatchdog() {
    *alive_ = 1;
    disarm();
}

void PageWatchdog::arm() {
    if (tick_) return;
    tick_ = loop_.scheduleRepeating(interval_, alive_, [this](Timer&) { probe(); });
}

void PageWatchdog::disarm() {
    if (tick_) tick_->invalidate();
    tick_.reset();
    if (deadline_) deadline_->invalidate();
    deadline_.reset();
    if (inFlight_) {
        g_cancellable_cancel(inFlight_);
        g_object_unref(inFlight_);
        inFlight_ = nullptr;
    }
}

void PageWatchdog::probe() {
    if (inFlight_) return;  // the last probe is still within its time
    inFlight_ = g_cancellable_new();
    deadline_ = loop_.scheduleOnce(timeout_, alive_, [this](Timer&) {
        disarm();
        // May end this watchdog: nothing of it is used afterwards.
        std::function<void()> onStuck = onStuck_;
        onStuck();
    });
    webkit_web_view_evaluate_javascript(view_, "0", 1, world_, nullptr, inFlight_, &Probe::done,
                                        new Probe{alive_, this, G_CANCELLABLE(g_object_ref(inFlight_))});
}

void PageWatchdog::answered() {
    if (deadline_) deadline_->invalidate();
    deadline_.reset();
    if (inFlight_) g_object_unref(inFlight_);
    inFlight_ = nullptr;
}

}  // namespace platform::web
