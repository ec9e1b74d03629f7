#include "ads/core/slot/DZSlotSignals.h"

#include "ads/foundation/DZStatisticDictionary.h"

void dz_addSlotSignals(nlohmann::json& parameters, const nlohmann::json& applicationStatistics,
                       const DZApplication::StatisticsSet& adStatistics,
                       const nlohmann::json& mediationExtras, const std::string& adUnitID) {
    nlohmann::json signals = nlohmann::json::object();
    if (!applicationStatistics.empty()) signals["app"] = applicationStatistics;
    if (auto slots = DZApplication::sharedInstance()->slotStatisticsDictionary(); !slots.empty())
        signals["slots"] = slots;
    if (!mediationExtras.empty() && !mediationExtras.is_null()) signals["request"] = mediationExtras;
    nlohmann::json ads = nlohmann::json::array();
    for (const auto& statistics : adStatistics) ads.push_back(statistics->dictionary());
    if (!ads.empty()) signals["ads"] = ads;
    if (!signals.empty()) parameters["quality_signals"] = signals;
    if (!adUnitID.empty()) parameters["slotname"] = adUnitID;
}
