#pragma once
// The slot's part of an ad request's parameters beside the request's own. The slot and the
// command-line probe both build it here, so that what the probe prints is what a slot sends.
#include <string>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZApplication.h"

// Adds "quality_signals" to `parameters` when there is any (the process statistics taken for
// this request, every slot's statistics, the request's private mediation extras, the statistics
// of earlier ads that go with it) and "slotname" when the ad unit is known.
void dz_addSlotSignals(nlohmann::json& parameters, const nlohmann::json& applicationStatistics,
                       const DZApplication::StatisticsSet& adStatistics,
                       const nlohmann::json& mediationExtras, const std::string& adUnitID);
