#include "ads/foundation/DZRunOnMainThread.h"

#include <utility>

#include "platform/dispatch/DispatchQueue.h"

void DZRunOnMainThread(std::function<void()> block) {
    if (!block) return;
    auto main = platform::DispatchQueue::main();
    if (main->isCurrent()) {
        block();
    } else {
        main->async(std::move(block));
    }
}
