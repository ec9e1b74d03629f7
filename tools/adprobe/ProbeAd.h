#pragma once
// What the probe prints of an ad: the same keys for every command.
#include <nlohmann/json.hpp>

#include "ads/core/DZAd.h"

inline nlohmann::json probeAdJSON(const DZAd& ad) {
    const nlohmann::json all = ad.dictionaryRepresentation();
    nlohmann::json shown = nlohmann::json::object();
    for (const char* key :
         {"responseType", "adHTML", "adBaseURL", "clickURLs", "impressionURLs", "manualImpressionURLs",
          "reloadInterval", "customAdSizeString", "supportedOrientations", "fluid", "scrollEnabled",
          "debugDialog", "zadavaDuruConfigurations", "responseHeaders"})
        shown[key] = all.contains(key) ? all[key] : nlohmann::json(nullptr);
    return shown;
}
