#include "platform/dispatch/SerialQueue.h"

#include <utility>

#include "platform/dispatch/CurrentQueue.h"
#include "platform/dispatch/WorkerPool.h"

namespace platform::dispatch_detail {

namespace {

// Blocks one worker runs from a queue before it lets other queues' work go first.
constexpr int kDrainBatch = 32;

}  // namespace

void SerialQueue::async(Task fn) {
    std::lock_guard lock(mutex_);
    items_.push_back({std::move(fn), nullptr});
    if (!held_) {
        held_ = true;
        scheduleDrain();
    }
}

void SerialQueue::sync(const std::function<void()>& fn) {
    if (isRunningOn(this)) {
        throw DispatchDeadlockError("sync onto queue \"" + label() + "\" from a block running on it");
    }
    {
        std::unique_lock lock(mutex_);
        if (!held_) {
            held_ = true;
        } else {
            auto turn = std::make_shared<SyncTurn>();
            items_.push_back({nullptr, turn});
            turnReached_.wait(lock, [&] { return turn->reached; });
        }
    }
    struct Release {
        SerialQueue& queue;
        ~Release() { queue.release(); }
    } release{*this};
    ScopedCurrentQueue current(this);
    fn();
}

void SerialQueue::after(double delaySeconds, Task fn) {
    auto self = std::static_pointer_cast<SerialQueue>(shared_from_this());
    DelayedJobs::shared().at(dueAfter(delaySeconds),
                             [self, fn = std::move(fn)]() mutable { self->async(std::move(fn)); });
}

bool SerialQueue::isCurrent() const {
    return isRunningOn(this);
}

void SerialQueue::scheduleDrain() {
    auto self = std::static_pointer_cast<SerialQueue>(shared_from_this());
    WorkerPool::shared().submit([self] { self->drain(); });
}

void SerialQueue::drain() {
    ScopedCurrentQueue current(this);
    for (int ran = 0;; ++ran) {
        std::unique_lock lock(mutex_);
        if (items_.empty()) {
            held_ = false;
            return;
        }
        if (ran == kDrainBatch) {
            scheduleDrain();
            return;
        }
        Item item = std::move(items_.front());
        items_.pop_front();
        if (item.turn) {
            // The queue passes to the waiting sync() caller, which hands it on when it is done.
            item.turn->reached = true;
            lock.unlock();
            turnReached_.notify_all();
            return;
        }
        lock.unlock();
        runDetached(*this, item.fn);
    }
}

void SerialQueue::release() {
    std::lock_guard lock(mutex_);
    if (items_.empty()) {
        held_ = false;
    } else {
        scheduleDrain();
    }
}

}  // namespace platform::dispatch_detail
