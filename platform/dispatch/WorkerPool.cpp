#include "platform/dispatch/WorkerPool.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform::dispatch_detail {

namespace {

// About a century: later due times are clamped so the arithmetic never overflows.
constexpr double kMaxDelaySeconds = 3.0e9;

}  // namespace

WorkerPool& WorkerPool::shared() {
    static WorkerPool* pool = new WorkerPool();  // never destroyed: detached workers use it until exit
    return *pool;
}

void WorkerPool::submit(Job job) {
    std::unique_lock lock(mutex_);
    jobs_.push_back(std::move(job));
    if (idle_ < jobs_.size() && threads_ < kMaxThreads) {
        ++threads_;
        std::thread([this] { work(); }).detach();
    }
    lock.unlock();
    wake_.notify_one();
}

std::size_t WorkerPool::threadCount() const {
    std::lock_guard lock(mutex_);
    return threads_;
}

void WorkerPool::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        wake_.wait(lock, [this] { return !jobs_.empty(); });
        --idle_;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job();
        job = nullptr;  // whatever the job held goes before the worker waits again
        lock.lock();
    }
}

DelayedJobs& DelayedJobs::shared() {
    static DelayedJobs* jobs = new DelayedJobs();
    return *jobs;
}

void DelayedJobs::at(Clock::time_point due, std::function<void()> job) {
    std::unique_lock lock(mutex_);
    if (!started_) {
        started_ = true;
        std::thread([this] { run(); }).detach();
    }
    jobs_.emplace(due, std::move(job));
    lock.unlock();
    wake_.notify_one();
}

void DelayedJobs::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (jobs_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const auto due = jobs_.begin()->first;
        if (Clock::now() < due) {
            wake_.wait_until(lock, due);
            continue;
        }
        auto job = std::move(jobs_.begin()->second);
        jobs_.erase(jobs_.begin());
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
    }
}

DelayedJobs::Clock::time_point dueAfter(double seconds) {
    const auto now = DelayedJobs::Clock::now();
    if (!(seconds > 0)) return now;
    const auto delay = std::chrono::duration<double>(std::min(seconds, kMaxDelaySeconds));
    return now + std::chrono::duration_cast<DelayedJobs::Clock::duration>(delay);
}

}  // namespace platform::dispatch_detail
