#include "ads/foundation/DZWeakTargetAdditions.h"

#include "ads/foundation/DZLogger.h"

void DZBlockTimerTarget::timerFired(platform::MainLoopTimer& timer) {
    if (block_) block_(timer);
}

std::shared_ptr<platform::MainLoopTimer> dz_scheduledTimerWithTimeInterval(double interval, bool repeats,
                                                                           double tolerance,
                                                                           DZBlockTimerTarget::Block block) {
    if (repeats && !(interval >= kDZMinimumRepeatingInterval)) {
        DZLog("Repeating timer interval %g s raised to %g s", interval, kDZMinimumRepeatingInterval);
        interval = kDZMinimumRepeatingInterval;
    }
    auto target = std::make_shared<DZBlockTimerTarget>(std::move(block));
    auto timer = platform::MainLoopTimer::schedule(
        interval, repeats, [target](platform::MainLoopTimer& fired) { target->timerFired(fired); });
    if (tolerance > 0) timer->setTolerance(tolerance);
    return timer;
}
