#pragma once
// Which queues' blocks the calling thread is running now, innermost last: a worker draining a
// serial queue, or a caller inside sync(). The deadlock check of sync() reads it.
#include <functional>

namespace platform {
class DispatchQueue;
}

namespace platform::dispatch_detail {

class ScopedCurrentQueue {
  public:
    explicit ScopedCurrentQueue(const DispatchQueue* queue);
    ~ScopedCurrentQueue();
    ScopedCurrentQueue(const ScopedCurrentQueue&) = delete;
    ScopedCurrentQueue& operator=(const ScopedCurrentQueue&) = delete;
};

bool isRunningOn(const DispatchQueue* queue);

// Runs a block handed to async() or after(); an escaping exception is logged with the queue's
// label and ends the process.
void runDetached(const DispatchQueue& queue, const std::function<void()>& fn);

}  // namespace platform::dispatch_detail
