#pragma once
// The worker threads behind the serial and global queues, and the one thread that holds delayed
// blocks until they are due. Both live for the whole process (never destroyed, so blocks that
// run during exit find them intact). A job that finds no idle worker gets a new thread, up to a
// cap, so a block that waits on another queue never starves the pool.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace platform::dispatch_detail {

class WorkerPool {
  public:
    using Job = std::function<void()>;
    // Far more than the ad component's queues ever keep busy at once; a cap only against runaway
    // waits.
    static constexpr std::size_t kMaxThreads = 64;

    static WorkerPool& shared();

    void submit(Job job);
    std::size_t threadCount() const;

  private:
    WorkerPool() = default;
    void work();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    std::size_t threads_ = 0;
    std::size_t idle_ = 0;
};

class DelayedJobs {
  public:
    using Clock = std::chrono::steady_clock;

    static DelayedJobs& shared();

    // Calls job (on the delay thread, which must only hand it on) once due.
    void at(Clock::time_point due, std::function<void()> job);

  private:
    DelayedJobs() = default;
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<Clock::time_point, std::function<void()>> jobs_;
    bool started_ = false;
};

// Seconds from now as a due time; negative and NaN delays are due now.
DelayedJobs::Clock::time_point dueAfter(double seconds);

}  // namespace platform::dispatch_detail
