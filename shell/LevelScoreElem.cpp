#include "shell/LevelScoreElem.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/plist/PlistDict.h"
#include "shell/Crc32.h"
#include "shell/LevelInfo.h"

uint32_t LevelScoreElem::dateNumber() const {
    if (!date_ || !std::isfinite(*date_)) return 0;
    // Truncated toward zero, then kept to its low 32 bits (dates before 1970 wrap, as the
    // stored number always did).
    const double t = std::trunc(*date_);
    if (t >= 9.2e18 || t <= -9.2e18) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(t));
}

uint32_t LevelScoreElem::hashWithLevel(const LevelInfo& level) const {
    const std::string text = level.webSecretKey() + "," + std::to_string(level.levelId()) + "," +
                             std::to_string(static_cast<uint32_t>(score_)) + "," +
                             std::to_string(dateNumber());
    return Crc32OfCString(text.c_str());
}

bool LevelScoreElem::serializeWith(platform::PlistDict& dict, bool isSave, const LevelInfo& level) {
    if (isSave) {
        dict.setInt("score", score_);
        dict.setInt("udate", dateNumber());
        dict.setInt("hash", static_cast<int32_t>(hashWithLevel(level)));
        return true;
    }
    if (auto s = dict.getNumberAsInt("score")) score_ = static_cast<int32_t>(static_cast<uint32_t>(*s));
    const uint32_t udate = static_cast<uint32_t>(dict.getNumberAsInt("udate").value_or(0));
    const uint32_t stored = static_cast<uint32_t>(dict.getNumberAsInt("hash").value_or(0));
    date_ = static_cast<double>(udate);
    if (stored != hashWithLevel(level)) {
        std::fputs("Score hash unmatched\n", stderr);
        return false;
    }
    return true;
}

double LevelScoreElem::now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}
