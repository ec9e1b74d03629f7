#pragma once
// The production run loop on a GLib main context, so that GLib-based libraries attached to the
// same context run in it too. Timers use the monotonic clock.
#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/runloop/RunLoop.h"

typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;
typedef struct _GSource GSource;

namespace platform {

class GLibRunLoop : public RunLoop {
  public:
    // On the process's default main context.
    GLibRunLoop();
    // On the given context (a reference is taken).
    explicit GLibRunLoop(GMainContext* context);
    ~GLibRunLoop() override;

    void post(Task fn) override;
    // An exception escaping a callback stops the loop and is rethrown here.
    void run() override;
    void quit() override;

    GMainContext* context() const { return context_; }

  protected:
    std::int64_t nowNanos() const override;
    void timerAdded(const std::shared_ptr<Timer>& timer) override;
    void timerInvalidated(Timer& timer) override;

  private:
    struct TimerEntry {
        std::shared_ptr<Timer> timer;
        GSource* source;
    };
    struct PostSource;
    struct TimerSource;

    static int postPrepare(GSource* source, int* timeout);
    static int postCheck(GSource* source);
    static int postDispatch(GSource* source, int (*)(void*), void*);
    static int timerDispatch(GSource* source, int (*)(void*), void*);

    bool hasPosts() const;
    void runPosts();
    void dispatchTimer(Timer* timer);
    void scheduleSource(GSource* source, const Timer& timer);
    // Stops the loop and keeps the exception for run() to rethrow.
    void fail(std::exception_ptr error);

    GMainContext* context_;
    GMainLoop* loop_;
    GSource* postSource_;
    mutable std::mutex postMutex_;
    std::deque<Task> posts_;
    std::unordered_map<Timer*, TimerEntry> timers_;
    std::atomic<bool> quitRequested_{false};
    std::exception_ptr error_;
};

}  // namespace platform
