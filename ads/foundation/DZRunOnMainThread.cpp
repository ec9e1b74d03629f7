#include "ads/foundation/DZRunOnMainThread.h"

#include "platform/dispatch/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"

void DZRunOnMainThread(std::function<void()> block) {
    if (!block) return;
    auto main = platform::DispatchQueue::main();
    if (main->isCurrent()) {
        block();
    } else {
        main->async(std::move(block));
    }
}

void DZReleaseOnMainThread(std::shared_ptr<const void> object) {
    if (!object || !platform::RunLoop::mainLoop()) return;
    auto main = platform::DispatchQueue::main();
    if (main->isCurrent()) return;
    // Dropped inside the block, so on the main thread whatever becomes of the block afterwards.
    main->async([object = std::move(object)]() mutable { object.reset(); });
}
