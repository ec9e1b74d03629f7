#include "ads/render/bridge/DZPageAllowance.h"

#include <utility>

#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZLogger.h"

bool DZPageAllowance::takeMessage(std::uint64_t nowMilliseconds) {
    if (messages_.take(nowMilliseconds)) return true;
    if (!std::exchange(messagesTold_, true))
        DZLog("Ad page messages dropped: the page sends more than %d a second",
              static_cast<int>(kMessagesPerSecond));
    return false;
}

DZLogAdmission DZPageAllowance::admitLine() {
    std::lock_guard lock(logMutex_);
    auto decision = log_.admit(DZAbsoluteTime::pageTimeInMilliseconds());
    return {decision.write, std::move(decision.notice)};
}

DZLogChargeScope::Charge DZPageAllowance::logCharge() {
    return [weak = weak_from_this()]() -> DZLogAdmission {
        auto page = weak.lock();
        return page ? page->admitLine() : DZLogAdmission{};
    };
}
