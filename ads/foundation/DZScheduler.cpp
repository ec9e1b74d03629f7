#include "ads/foundation/DZScheduler.h"

#include <cstdio>
#include <vector>

#include "ads/foundation/DZWeakTargetAdditions.h"

std::shared_ptr<DZScheduler> DZScheduler::initWithInterval(double interval) {
    return std::shared_ptr<DZScheduler>(new DZScheduler(interval));
}

DZScheduler::~DZScheduler() {
    // A released scheduler's timer would otherwise fire on, for nothing, for the rest of the run.
    if (timer_) timer_->invalidate();
}

int32_t DZScheduler::taskIDScheduledOnQueue(std::shared_ptr<platform::DispatchQueue> queue,
                                            std::function<void()> block) {
    if (!queue || !block) return -1;
    std::lock_guard lock(mutex_);
    const int32_t id = ++taskID_;
    blocks_[id] = DZSchedulerTask{std::move(block), std::move(queue)};
    return id;
}

void DZScheduler::unscheduleTaskWithID(int32_t taskID) {
    std::lock_guard lock(mutex_);
    blocks_.erase(taskID);
}

void DZScheduler::executeBlocks() {
    std::vector<DZSchedulerTask> due;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, task] : blocks_) due.push_back(task);
    }
    for (auto& task : due) task.queue->async(std::move(task.block));
}

void DZScheduler::start() {
    std::lock_guard lock(mutex_);
    if (timer_) return;
    std::weak_ptr<DZScheduler> weak = weak_from_this();
    // The tolerance follows the interval the timer will really have, raised or not.
    const double interval =
        interval_ >= kDZMinimumRepeatingInterval ? interval_ : kDZMinimumRepeatingInterval;
    timer_ =
        dz_scheduledTimerWithTimeInterval(interval, true, interval / 10, [weak](platform::MainLoopTimer&) {
            if (auto self = weak.lock()) self->executeBlocks();
        });
}

void DZScheduler::stop() {
    std::shared_ptr<platform::MainLoopTimer> timer;
    {
        std::lock_guard lock(mutex_);
        timer = std::move(timer_);
        timer_ = nullptr;
    }
    if (timer) timer->invalidate();
}

bool DZScheduler::isRunning() const {
    std::lock_guard lock(mutex_);
    return timer_ != nullptr;
}

std::shared_ptr<platform::MainLoopTimer> DZScheduler::timer() const {
    std::lock_guard lock(mutex_);
    return timer_;
}

std::string DZScheduler::description() const {
    std::lock_guard lock(mutex_);
    char text[96];
    std::snprintf(text, sizeof text, "DZScheduler %p: %zu blocks, %f interval",
                  static_cast<const void*>(this), blocks_.size(), interval_);
    return text;
}
