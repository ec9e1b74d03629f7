#pragma once
// Installs a virtual-clock run loop as the process's main loop for one test, and turns it until
// work that arrives from other threads (network replies, queues) has made a condition true.
#include <chrono>
#include <functional>
#include <memory>

#include "platform/runloop/ManualRunLoop.h"

namespace tikoleap::test {

class MainLoopPump {
  public:
    MainLoopPump();
    ~MainLoopPump();  // puts the previous main loop back
    MainLoopPump(const MainLoopPump&) = delete;
    MainLoopPump& operator=(const MainLoopPump&) = delete;

    platform::ManualRunLoop& loop() { return *loop_; }

    // Runs posted work until done() holds; false when it still does not after timeout (real time).
    bool until(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Runs posted work for a stretch of real time (to show that something does not happen).
    void runFor(std::chrono::milliseconds span);

  private:
    std::shared_ptr<platform::ManualRunLoop> loop_;
    std::shared_ptr<platform::RunLoop> previous_;
};

}  // namespace tikoleap::test
