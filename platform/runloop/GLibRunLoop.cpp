#include "platform/runloop/GLibRunLoop.h"

#include <glib.h>

#include <utility>

namespace platform {

struct GLibRunLoop::PostSource {
    GSource base;
    GLibRunLoop* loop;
};

struct GLibRunLoop::TimerSource {
    GSource base;
    GLibRunLoop* loop;
    Timer* timer;
};

GLibRunLoop::GLibRunLoop() : GLibRunLoop(g_main_context_default()) {}

GLibRunLoop::GLibRunLoop(GMainContext* context)
    : context_(g_main_context_ref(context)), loop_(g_main_loop_new(context_, FALSE)) {
    static GSourceFuncs postFuncs{&postPrepare, &postCheck, &postDispatch, nullptr, nullptr, nullptr};
    postSource_ = g_source_new(&postFuncs, sizeof(PostSource));
    reinterpret_cast<PostSource*>(postSource_)->loop = this;
    g_source_set_priority(postSource_, G_PRIORITY_DEFAULT);
    g_source_set_name(postSource_, "tikoleap posted tasks");
    g_source_attach(postSource_, context_);
}

GLibRunLoop::~GLibRunLoop() {
    // Move everything out first: destroying a callback may release other timers, whose
    // invalidation must then find nothing left to undo.
    std::unordered_map<Timer*, TimerEntry> timers = std::move(timers_);
    timers_.clear();
    for (auto& [pointer, entry] : timers) {
        g_source_destroy(entry.source);
        g_source_unref(entry.source);
        detachTimer(*entry.timer);
    }
    g_source_destroy(postSource_);
    g_source_unref(postSource_);
    std::deque<Task> posts;
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        posts.swap(posts_);
    }
    posts.clear();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
}

std::int64_t GLibRunLoop::nowNanos() const {
    return g_get_monotonic_time() * 1000;
}

void GLibRunLoop::post(Task fn) {
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        posts_.push_back(std::move(fn));
    }
    g_main_context_wakeup(context_);
}

void GLibRunLoop::run() {
    if (quitRequested_.exchange(false)) return;
    g_main_loop_run(loop_);
    quitRequested_ = false;
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void GLibRunLoop::quit() {
    quitRequested_ = true;
    g_main_loop_quit(loop_);
}

void GLibRunLoop::fail(std::exception_ptr error) {
    if (!error_) error_ = std::move(error);
    quit();
}

bool GLibRunLoop::hasPosts() const {
    std::lock_guard<std::mutex> lock(postMutex_);
    return !posts_.empty();
}

void GLibRunLoop::runPosts() {
    // Only what was there when the batch began: timers get their turn before newer posts.
    std::size_t count;
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        count = posts_.size();
    }
    for (std::size_t i = 0; i < count; ++i) {
        Task task;
        {
            std::lock_guard<std::mutex> lock(postMutex_);
            if (posts_.empty()) return;
            task = std::move(posts_.front());
            posts_.pop_front();
        }
        try {
            task();
        } catch (...) {
            fail(std::current_exception());
            return;
        }
    }
}

int GLibRunLoop::postPrepare(GSource* source, int* timeout) {
    *timeout = -1;
    return reinterpret_cast<PostSource*>(source)->loop->hasPosts();
}

int GLibRunLoop::postCheck(GSource* source) {
    return reinterpret_cast<PostSource*>(source)->loop->hasPosts();
}

int GLibRunLoop::postDispatch(GSource* source, int (*)(void*), void*) {
    reinterpret_cast<PostSource*>(source)->loop->runPosts();
    return G_SOURCE_CONTINUE;
}

void GLibRunLoop::scheduleSource(GSource* source, const Timer& timer) {
    // GLib counts in microseconds; rounding up never fires a timer before its date.
    const std::int64_t nanos = fireNanos(timer);
    g_source_set_ready_time(source, nanos / 1000 + (nanos % 1000 > 0 ? 1 : 0));
}

void GLibRunLoop::timerAdded(const std::shared_ptr<Timer>& timer) {
    static GSourceFuncs timerFuncs{nullptr, nullptr, &timerDispatch, nullptr, nullptr, nullptr};
    GSource* source = g_source_new(&timerFuncs, sizeof(TimerSource));
    auto* timerSource = reinterpret_cast<TimerSource*>(source);
    timerSource->loop = this;
    timerSource->timer = timer.get();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    scheduleSource(source, *timer);
    timers_.emplace(timer.get(), TimerEntry{timer, source});
    g_source_attach(source, context_);
}

void GLibRunLoop::timerInvalidated(Timer& timer) {
    auto it = timers_.find(&timer);
    if (it == timers_.end()) return;
    // The entry may hold the last reference to the timer: let it go only after the erase.
    TimerEntry entry = std::move(it->second);
    timers_.erase(it);
    g_source_destroy(entry.source);
    g_source_unref(entry.source);
}

int GLibRunLoop::timerDispatch(GSource* source, int (*)(void*), void*) {
    auto* timerSource = reinterpret_cast<TimerSource*>(source);
    timerSource->loop->dispatchTimer(timerSource->timer);
    // An invalidated timer has destroyed its source already; a live one has a new ready time.
    return G_SOURCE_CONTINUE;
}

void GLibRunLoop::dispatchTimer(Timer* pointer) {
    auto it = timers_.find(pointer);
    if (it == timers_.end()) return;
    std::shared_ptr<Timer> timer = it->second.timer;
    GSource* source = it->second.source;
    try {
        fireTimer(timer);
    } catch (...) {
        fail(std::current_exception());
    }
    if (timer->isValid()) scheduleSource(source, *timer);
}

}  // namespace platform
