#include "platform/dispatch/GlobalQueue.h"

#include <utility>

#include "platform/dispatch/CurrentQueue.h"
#include "platform/dispatch/WorkerPool.h"

namespace platform::dispatch_detail {

void GlobalQueue::async(Task fn) {
    WorkerPool::shared().submit([this, fn = std::move(fn)] {
        ScopedCurrentQueue current(this);
        runDetached(*this, fn);
    });
}

void GlobalQueue::sync(const std::function<void()>& fn) {
    ScopedCurrentQueue current(this);
    fn();
}

void GlobalQueue::after(double delaySeconds, Task fn) {
    DelayedJobs::shared().at(dueAfter(delaySeconds),
                             [this, fn = std::move(fn)]() mutable { async(std::move(fn)); });
}

bool GlobalQueue::isCurrent() const {
    return isRunningOn(this);
}

}  // namespace platform::dispatch_detail
