#pragma once
// The global queue: each block goes to the worker pool on its own, so blocks run concurrently.
#include "platform/dispatch/DispatchQueue.h"

namespace platform::dispatch_detail {

class GlobalQueue final : public DispatchQueue {
  public:
    GlobalQueue() : DispatchQueue("global") {}

    void async(Task fn) override;
    // Runs fn on the caller's thread at once: nothing on a concurrent queue waits for it.
    void sync(const std::function<void()>& fn) override;
    void after(double delaySeconds, Task fn) override;
    bool isCurrent() const override;
};

}  // namespace platform::dispatch_detail
