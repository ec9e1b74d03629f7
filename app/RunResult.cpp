#include "app/RunResult.h"

#include <nlohmann/json.hpp>

std::string RunResult::toJson() const {
    nlohmann::ordered_json j = {{"level", level},   {"seed", seed},     {"ticks", ticks},
                                {"frames", frames}, {"score", score},   {"state", state},
                                {"opened", opened}, {"screen", screen}, {"rendered", rendered}};
    return j.dump();
}
