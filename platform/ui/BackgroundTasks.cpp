#include "platform/ui/BackgroundTasks.h"

#include <utility>
#include <vector>

namespace platform {

BackgroundTasks& BackgroundTasks::shared() {
    static BackgroundTasks tasks;
    return tasks;
}

BackgroundTaskId BackgroundTasks::begin(std::function<void()> expirationHandler) {
    BackgroundTaskId id = next_++;
    if (next_ == kInvalidBackgroundTask) next_ = 1;
    tasks_.emplace(id, std::move(expirationHandler));
    return id;
}

void BackgroundTasks::end(BackgroundTaskId id) {
    tasks_.erase(id);
}

void BackgroundTasks::expireAll() {
    std::vector<std::function<void()>> handlers;
    for (auto& [id, handler] : tasks_) handlers.push_back(std::move(handler));
    tasks_.clear();
    for (auto& handler : handlers) {
        if (handler) handler();
    }
}

}  // namespace platform
