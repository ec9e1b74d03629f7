#pragma once
#include <string>

// What one run reports in its closing JSON line.
struct RunResult {
    int level = 0;
    unsigned long long seed = 0;
    long long ticks = 0;
    long long frames = 0;
    int score = 0;
    std::string state = "intro";  // "intro", "playing" or "gameover"

    std::string toJson() const;
};
