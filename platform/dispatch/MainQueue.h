#pragma once
// The main queue: blocks are posted to the process's main run loop, so they run on the thread
// the game and the UI run on, in the loop's order.
#include "platform/dispatch/DispatchQueue.h"

namespace platform::dispatch_detail {

class MainQueue final : public DispatchQueue {
  public:
    MainQueue() : DispatchQueue("main") {}

    void async(Task fn) override;
    // From another thread: posts fn and waits until the loop has run it. Throws std::runtime_error
    // when the loop is destroyed with fn still unrun (the wait would never end).
    void sync(const std::function<void()>& fn) override;
    void after(double delaySeconds, Task fn) override;
    bool isCurrent() const override;
};

}  // namespace platform::dispatch_detail
