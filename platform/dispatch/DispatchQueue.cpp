#include "platform/dispatch/DispatchQueue.h"

#include "platform/dispatch/GlobalQueue.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/SerialQueue.h"

namespace platform {

std::shared_ptr<DispatchQueue> DispatchQueue::createSerial(std::string label) {
    return std::make_shared<dispatch_detail::SerialQueue>(std::move(label));
}

std::shared_ptr<DispatchQueue> DispatchQueue::main() {
    // Never destroyed: blocks still queued at exit may name it.
    static auto* queue = new std::shared_ptr<DispatchQueue>(std::make_shared<dispatch_detail::MainQueue>());
    return *queue;
}

std::shared_ptr<DispatchQueue> DispatchQueue::global() {
    static auto* queue = new std::shared_ptr<DispatchQueue>(std::make_shared<dispatch_detail::GlobalQueue>());
    return *queue;
}

}  // namespace platform
