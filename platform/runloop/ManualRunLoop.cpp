#include "platform/runloop/ManualRunLoop.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

namespace platform {

ManualRunLoop::ManualRunLoop(double startSeconds) : nowNanos_(secondsToNanos(startSeconds)) {}

ManualRunLoop::~ManualRunLoop() {
    // Handles may outlive the loop; they must not call back into it.
    std::map<Key, Entry> queue = std::move(queue_);
    queue_.clear();
    for (auto& [key, entry] : queue) {
        if (entry.timer) detachTimer(*entry.timer);
    }
}

void ManualRunLoop::post(Task fn) {
    std::lock_guard<std::mutex> lock(incomingMutex_);
    incoming_.push_back(std::move(fn));
}

void ManualRunLoop::advance(double seconds) {
    enter();
    struct Leave {
        bool& inside;
        ~Leave() { inside = false; }
    } leave{inside_};
    const std::int64_t target = nowNanos_.load() + secondsToNanos(seconds);
    while (runNext(target)) {
    }
    nowNanos_.store(std::max(nowNanos_.load(), target));
}

void ManualRunLoop::runUntilIdle() {
    advance(0);
}

void ManualRunLoop::stall(double seconds) {
    nowNanos_ += secondsToNanos(seconds);
}

void ManualRunLoop::run() {
    enter();
    struct Leave {
        bool& inside;
        bool& quit;
        ~Leave() { inside = quit = false; }
    } leave{inside_, quitRequested_};
    while (!quitRequested_ && runNext(std::numeric_limits<std::int64_t>::max())) {
    }
}

void ManualRunLoop::quit() {
    quitRequested_ = true;
}

std::size_t ManualRunLoop::pendingCount() const {
    std::lock_guard<std::mutex> lock(incomingMutex_);
    return queue_.size() + incoming_.size();
}

void ManualRunLoop::enter() {
    if (inside_) throw std::logic_error("ManualRunLoop: the clock cannot be driven from inside a callback");
    inside_ = true;
    // The limit is per drive: many separate runUntilIdle() calls at one instant are fine.
    lastInstant_ = -1;
    callbacksAtInstant_ = 0;
}

void ManualRunLoop::takeIncoming() {
    std::vector<Task> incoming;
    {
        std::lock_guard<std::mutex> lock(incomingMutex_);
        incoming.swap(incoming_);
    }
    for (Task& task : incoming)
        queue_.emplace(Key{nowNanos_.load(), nextOrder()}, Entry{nullptr, std::move(task)});
}

void ManualRunLoop::timerAdded(const std::shared_ptr<Timer>& timer) {
    queue_.emplace(Key{fireNanos(*timer), order(*timer)}, Entry{timer, nullptr});
}

void ManualRunLoop::timerInvalidated(Timer& timer) {
    // A timer that is firing has already left the queue; then this finds nothing.
    auto it = queue_.find(Key{fireNanos(timer), order(timer)});
    if (it == queue_.end() || it->second.timer.get() != &timer) return;
    // The entry may hold the last reference to the timer: let it go only after the erase.
    Entry entry = std::move(it->second);
    queue_.erase(it);
}

bool ManualRunLoop::runNext(std::int64_t limitNanos) {
    takeIncoming();
    if (queue_.empty() || queue_.begin()->first.first > limitNanos) return false;

    const std::int64_t due = queue_.begin()->first.first;
    const std::int64_t instant = std::max(nowNanos_.load(), due);
    if (instant != lastInstant_) {
        lastInstant_ = instant;
        callbacksAtInstant_ = 0;
    }
    if (++callbacksAtInstant_ > callbackLimit_) {
        throw std::runtime_error("ManualRunLoop: more than " + std::to_string(callbackLimit_) +
                                 " callbacks without the clock moving; some work keeps re-posting itself");
    }

    auto node = queue_.extract(queue_.begin());
    nowNanos_.store(instant);
    if (node.mapped().timer) {
        std::shared_ptr<Timer> timer = std::move(node.mapped().timer);
        // Back into the queue at its next fire date, even when the callback throws.
        struct Requeue {
            ManualRunLoop& loop;
            const std::shared_ptr<Timer>& timer;
            ~Requeue() {
                if (timer->isValid()) loop.timerAdded(timer);
            }
        } requeue{*this, timer};
        fireTimer(timer);
    } else {
        Task task = std::move(node.mapped().task);
        task();
    }
    return true;
}

}  // namespace platform
