#include "support/MainLoopPump.h"

#include <thread>

namespace tikoleap::test {

MainLoopPump::MainLoopPump()
    : loop_(std::make_shared<platform::ManualRunLoop>()), previous_(platform::RunLoop::setMain(loop_)) {}

MainLoopPump::~MainLoopPump() {
    loop_->runUntilIdle();
    platform::RunLoop::setMain(previous_);
}

bool MainLoopPump::until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        loop_->runUntilIdle();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void MainLoopPump::runFor(std::chrono::milliseconds span) {
    const auto deadline = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < deadline) {
        loop_->runUntilIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    loop_->runUntilIdle();
}

}  // namespace tikoleap::test
