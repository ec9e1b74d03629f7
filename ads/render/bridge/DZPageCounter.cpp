#include "ads/render/bridge/DZPageCounter.h"

#include <string>

#include "ads/foundation/DZLogger.h"

bool DZPageCounter::take(std::string_view refusal) {
    if (taken_ < limit_) {
        ++taken_;
        return true;
    }
    if (!told_) {
        told_ = true;
        DZLogText(std::string(refusal));
    }
    return false;
}
