#include "platform/dispatch/CurrentQueue.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/Log.h"

namespace platform::dispatch_detail {

namespace {

thread_local std::vector<const DispatchQueue*> runningQueues;

}  // namespace

ScopedCurrentQueue::ScopedCurrentQueue(const DispatchQueue* queue) {
    runningQueues.push_back(queue);
}

ScopedCurrentQueue::~ScopedCurrentQueue() {
    runningQueues.pop_back();
}

bool isRunningOn(const DispatchQueue* queue) {
    return std::find(runningQueues.begin(), runningQueues.end(), queue) != runningQueues.end();
}

void runDetached(const DispatchQueue& queue, const std::function<void()>& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        logMessage("DispatchQueue", 4, "a block on queue \"" + queue.label() + "\" threw: " + e.what());
        std::terminate();
    } catch (...) {
        logMessage("DispatchQueue", 4, "a block on queue \"" + queue.label() + "\" threw");
        std::terminate();
    }
}

}  // namespace platform::dispatch_detail
