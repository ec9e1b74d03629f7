#pragma once
// A serial queue: at most one thread runs its blocks at a time, in submission order. A worker
// drains it while it has blocks; sync() waits for its turn in the same order and then runs on
// the caller's thread, holding the queue until it returns.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/dispatch/DispatchQueue.h"

namespace platform::dispatch_detail {

class SerialQueue final : public DispatchQueue {
  public:
    explicit SerialQueue(std::string label) : DispatchQueue(std::move(label)) {}

    void async(Task fn) override;
    void sync(const std::function<void()>& fn) override;
    void after(double delaySeconds, Task fn) override;
    bool isCurrent() const override;

  private:
    struct SyncTurn {
        bool reached = false;
    };
    struct Item {
        Task fn;
        std::shared_ptr<SyncTurn> turn;  // set for the place a sync() caller waits at
    };

    // Hands the queue to a worker; the queue must be held.
    void scheduleDrain();
    void drain();
    // After a sync block: on to the next block, or idle.
    void release();

    std::mutex mutex_;
    std::condition_variable turnReached_;
    std::deque<Item> items_;
    // Some thread (a draining worker, or a sync caller) holds the queue; true whenever items wait.
    bool held_ = false;
};

}  // namespace platform::dispatch_detail
