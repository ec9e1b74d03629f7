#include "app/WaitBudget.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

#include "appbase/LogMessage.h"

WaitBudget::WaitBudget(double total, std::string kind, std::string afterwards, Clock clock)
    : total_(total),
      left_(total),
      kind_(std::move(kind)),
      afterwards_(std::move(afterwards)),
      clock_(std::move(clock)) {
    if (!clock_) {
        clock_ = [] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        };
    }
}

bool WaitBudget::wait(double perWait, const std::function<bool(double limit)>& standStill,
                      const std::string& what, const std::string& tail) {
    if (spent()) return false;
    const double limit = std::min(perWait, left_);
    const double start = clock_();
    const bool came = standStill(limit);
    left_ -= std::max(0.0, clock_() - start);
    if (!came && !what.empty()) LogMessage("headless run", 3, what + " within " + secondsText(limit) + tail);
    if (spent())
        LogMessage("headless run", 3,
                   "the waits for " + kind_ + " have taken their " + secondsText(total_) +
                       " of the run: " + afterwards_);
    return came;
}

std::string WaitBudget::secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}
