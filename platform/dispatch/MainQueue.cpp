#include "platform/dispatch/MainQueue.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "platform/dispatch/CurrentQueue.h"
#include "platform/runloop/RunLoop.h"

namespace platform::dispatch_detail {

namespace {

std::shared_ptr<RunLoop> installedLoop() {
    auto loop = RunLoop::mainLoop();
    if (!loop) throw std::logic_error("the main queue needs a main run loop; none is installed");
    return loop;
}

// What a waiting sync() caller and the posted block share.
struct SyncState {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    bool abandoned = false;
    std::exception_ptr error;
};

// Lives inside the posted block: a block destroyed without having run (its loop went away)
// wakes the caller instead of leaving it waiting for good.
struct RunGuard {
    explicit RunGuard(std::shared_ptr<SyncState> s) : state(std::move(s)) {}
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;
    ~RunGuard() {
        if (ran) return;
        std::lock_guard lock(state->mutex);
        state->abandoned = true;
        state->changed.notify_all();
    }
    std::shared_ptr<SyncState> state;
    bool ran = false;
};

}  // namespace

// A block handed to the main queue while no main loop is installed (a worker finishing after the
// process's or a test's loop has gone) could never run: it is dropped where it was handed over
// rather than ending the process from a worker thread.
void MainQueue::async(Task fn) {
    auto loop = RunLoop::mainLoop();
    if (!loop) return;
    loop->post([this, fn = std::move(fn)] { runDetached(*this, fn); });
}

void MainQueue::sync(const std::function<void()>& fn) {
    if (isCurrent()) throw DispatchDeadlockError("sync onto the main queue from the main thread");
    auto loop = installedLoop();
    auto state = std::make_shared<SyncState>();
    auto guard = std::make_shared<RunGuard>(state);
    loop->post([state, guard, &fn] {
        guard->ran = true;
        std::exception_ptr error;
        try {
            fn();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(state->mutex);
        state->error = error;
        state->done = true;
        state->changed.notify_all();
    });
    guard.reset();
    loop.reset();
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] { return state->done || state->abandoned; });
    if (state->error) std::rethrow_exception(state->error);
    if (!state->done) throw std::runtime_error("the main run loop went away before a sync block could run");
}

void MainQueue::after(double delaySeconds, Task fn) {
    auto loop = RunLoop::mainLoop();
    if (!loop) return;  // as async: it could never run
    Task run = [this, fn = std::move(fn)] { runDetached(*this, fn); };
    if (loop->isLoopThread()) {
        loop->postAfter(delaySeconds, std::move(run));
    } else {
        // Timers belong to the loop's thread: the delay starts when the loop takes the block.
        loop->post([delaySeconds, run = std::move(run)]() mutable {
            if (auto current = RunLoop::mainLoop()) current->postAfter(delaySeconds, std::move(run));
        });
    }
}

bool MainQueue::isCurrent() const {
    auto loop = RunLoop::mainLoop();
    return loop && loop->isLoopThread();
}

}  // namespace platform::dispatch_detail
