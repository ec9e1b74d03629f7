#pragma once
// Paces the loop-switch workers by the mix. A worker waits for the next mixed block (or a short
// while, on a device that mixes by itself); a headless renderer announces each block it has mixed
// and waits until every worker has looked at the source since, so a rendered run hears the switch
// at the same place every time.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>

namespace sound {

class MixClock {
  public:
    using Id = std::uint64_t;

    // --- workers
    // Registers a worker (call before its thread starts, so no block can pass it by).
    Id enter();
    void leave(Id id);
    // The number of the last mixed block; a poll of the source after this call sees at least it.
    std::uint64_t currentBlock();
    // The worker has polled the source after `block` was mixed, and sleeps until a later block
    // is mixed, `timeout` passes or `cancelled` turns true.
    template <class Flag>
    void acknowledgeAndWait(Id id, std::uint64_t block, std::chrono::milliseconds timeout,
                            const Flag& cancelled) {
        std::unique_lock lock(mutex_);
        seen_[id] = block;
        changed_.notify_all();
        changed_.wait_for(lock, timeout, [&] { return cancelled || block_ > block; });
    }
    // Wakes waiting workers (one of them is being cancelled).
    void wakeAll();

    // --- the renderer
    // One more block has been mixed: wakes the workers and waits until each has polled after it.
    void blockMixed();

  private:
    // The loop-switch workers and the thread that renders the mix.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t block_ = 0;
    Id nextId_ = 1;
    std::map<Id, std::uint64_t> seen_;
};

}  // namespace sound
