#pragma once
// What the ad component did in this process, for the game's own reports (the headless run's JSON
// line counts the ad fetches a run started).
#include <cstddef>

class DZAdActivity {
  public:
    // Ad fetches started so far: ad requests and the fetches of ads' own content.
    static long long fetchesStarted();
    // Impression and click pings handed out and not yet answered.
    static std::size_t pingsInFlight();
};
