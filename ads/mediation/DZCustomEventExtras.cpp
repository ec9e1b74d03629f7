#include "ads/mediation/DZCustomEventExtras.h"

#include "ads/foundation/DZLogger.h"

void DZCustomEventExtras::setExtras(const std::optional<nlohmann::json>& extras,
                                    const std::optional<std::string>& label) {
    if (!label) {
        DZLogger::sharedInstance()->logPublicMessage("Must specify a label for extras.");
        return;
    }
    if (extras && extras->is_object()) {
        extras_[*label] = *extras;
    } else {
        extras_.erase(*label);
    }
}

std::optional<nlohmann::json> DZCustomEventExtras::extrasForLabel(
    const std::optional<std::string>& label) const {
    if (!label) return std::nullopt;
    auto it = extras_.find(*label);
    if (it == extras_.end()) return std::nullopt;
    return *it;
}
