#pragma once
// The worker that switches a looping effect from its attack part to its loop. The effect that
// starts it owns it; it is joined before the effect restarts, stops or goes away, so it never
// outlives what it works on.
#include <atomic>
#include <functional>
#include <thread>

namespace sound {

class OpenALThread {
  public:
    // The entry runs on the new thread and should return soon after `cancelled()` turns true.
    using Entry = std::function<void(const std::atomic<bool>& cancelled)>;

    // `priority` is relative to the creating thread's (the scheduler's scale); with
    // `fixedPriority` the thread asks for a real-time policy.
    OpenALThread(Entry entry, int priority, bool fixedPriority);
    ~OpenALThread();  // cancels and joins
    OpenALThread(const OpenALThread&) = delete;
    OpenALThread& operator=(const OpenALThread&) = delete;

    // Starts the thread; 0, or the thread library's error. A running thread is left as it is.
    int start();
    // Asks the entry to finish and waits for the thread.
    void cancelAndJoin();
    bool isRunning() const { return thread_.joinable() && !finished_; }

    int priority() const { return priority_; }
    bool fixedPriority() const { return fixedPriority_; }
    int defaultPriority() const { return defaultPriority_; }

  private:
    void trampoline();
    void setPriority();

    Entry entry_;
    int priority_;
    bool fixedPriority_;
    int defaultPriority_ = 0;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace sound
