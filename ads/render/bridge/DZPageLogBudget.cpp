#include "ads/render/bridge/DZPageLogBudget.h"

DZPageLogBudget::Decision DZPageLogBudget::admit(std::uint64_t now) {
    if (written_ >= kMaxLines) {
        if (totalNoticed_) return {};
        totalNoticed_ = true;
        return {false, "Ad page log: the page has written " + std::to_string(kMaxLines) +
                           " lines; the rest of its lines are dropped"};
    }
    if (rate_.take(now)) {
        ++written_;
        rateNoticed_ = false;
        return {true, std::nullopt};
    }
    if (rateNoticed_) return {};
    rateNoticed_ = true;
    ++written_;
    return {false, "Ad page log: lines dropped, the page writes more than " +
                       std::to_string(static_cast<int>(kLinesPerSecond)) + " a second"};
}
