#pragma once
// What one ad page may write to the console through its "log" messages: a burst, then a steady
// rate, and a total. A page writing faster loses the lines over the rate, with one line saying
// so; past the total it loses the rest, with one last line saying so. Every line written, those
// notices too, counts against the total, so a page never gets more than kMaxLines + 1 lines.
#include <cstdint>
#include <optional>
#include <string>

#include "ads/render/bridge/DZRateBucket.h"

class DZPageLogBudget {
  public:
    static constexpr int kBurstLines = 20;
    static constexpr double kLinesPerSecond = 5;
    static constexpr int kMaxLines = 200;

    struct Decision {
        bool write = false;
        // A line to write in place of the page's, once per cut.
        std::optional<std::string> notice;
    };

    // For a line the page sends at `nowMilliseconds` (a monotonic clock).
    Decision admit(std::uint64_t nowMilliseconds);
    int linesWritten() const { return written_; }

  private:
    DZRateBucket rate_{kBurstLines, kLinesPerSecond};
    int written_ = 0;
    bool rateNoticed_ = false;
    bool totalNoticed_ = false;
};
