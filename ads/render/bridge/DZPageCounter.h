#pragma once
// So many of one thing a page may do, then one line: counts what the page does and, past the limit,
// refuses the rest and says so once (a page repeating the refused request writes nothing more).
// Main thread only.
#include <string_view>

class DZPageCounter {
  public:
    explicit constexpr DZPageCounter(int limit) : limit_(limit) {}

    // One more: true while within the limit. Past it false, and `refusal` is logged the first time.
    bool take(std::string_view refusal);
    int limit() const { return limit_; }
    // Those taken within the limit.
    int taken() const { return taken_; }

  private:
    int limit_;
    int taken_ = 0;
    bool told_ = false;
};
