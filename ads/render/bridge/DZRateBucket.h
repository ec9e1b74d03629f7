#pragma once
// A burst, then a steady rate: what a page may send of one kind of thing. Each take() spends one;
// spent ones come back at the rate, never more than the burst at once.
#include <cstdint>
#include <optional>

class DZRateBucket {
  public:
    DZRateBucket(int burst, double perSecond) : burst_(burst), perSecond_(perSecond), tokens_(burst) {}

    // Whether one more fits at `nowMilliseconds` (a monotonic clock); spends it when it does.
    bool take(std::uint64_t nowMilliseconds);

  private:
    int burst_;
    double perSecond_;
    double tokens_;
    std::optional<std::uint64_t> last_;
};
