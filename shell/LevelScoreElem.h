#pragma once
// One local score entry: the score, when it was made, and the hash that ties both to the level
// and the game's secret key, so that an entry edited in the file is refused when it is read.
#include <cstdint>
#include <optional>

namespace platform {
class PlistDict;
}
class LevelInfo;

class LevelScoreElem {
  public:
    int score() const { return score_; }
    void setScore(int score) { score_ = score; }
    // Seconds since 1970; nothing until set.
    std::optional<double> date() const { return date_; }
    void setDate(std::optional<double> secondsSince1970) { date_ = secondsSince1970; }
    // The date as whole seconds since 1970, kept to 32 bits; 0 without a date.
    uint32_t dateNumber() const;
    bool canResubmit() const { return true; }

    // CRC-32 of "<secret key>,<level id>,<score>,<date number>".
    uint32_t hashWithLevel(const LevelInfo& level) const;
    // Saving writes "score", "udate" and "hash" and answers true. Loading takes what is there
    // (non-numbers count as absent) and answers false when the stored hash does not match.
    bool serializeWith(platform::PlistDict& dict, bool isSave, const LevelInfo& level);

    // Seconds since 1970 now, from the system clock.
    static double now();

  private:
    int score_ = 0;
    std::optional<double> date_;
};
