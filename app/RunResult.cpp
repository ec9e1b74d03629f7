#include "app/RunResult.h"

#include <nlohmann/json.hpp>

std::string RunResult::toJson() const {
    nlohmann::ordered_json j = {{"level", level},   {"seed", seed},     {"ticks", ticks},
                                {"frames", frames}, {"score", score},   {"state", state},
                                {"opened", opened}, {"screen", screen}, {"rendered", rendered}};
    if (webPage) {
        j["webPage"] = {
            {"url", webPage->url},
            {"loadedAtTick", webPage->loadedAtTick < 0 ? nlohmann::ordered_json()
                                                       : nlohmann::ordered_json(webPage->loadedAtTick)},
            {"error", webPage->error}};
    }
    j["ads"] = {{"banner", ads.banner},
                {"adRequests", ads.adRequests},
                {"interstitialsShown", ads.interstitialsShown},
                {"interstitialOnScreen", ads.interstitialOnScreen}};
    j["storeWritesFailed"] = storeWritesFailed;
    return j.dump();
}
