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
    // Ad loads (each request of a banner, interstitial or native ad, its first or a refresh, from
    // the ask to an ad or a failure, and each load of an SDK core page) started so far; and how many of those
    // after the `since`-th have not ended yet, leaving out those that wait only on the component's
    // own clock (a mediated banner's network time-out or draw checks). Main thread.
    static long long loadsStarted();
    static std::size_t loadsUnderWaySince(long long since);
    // State changes (expanded, resized, default, ...) handed to ad pages so far. Main thread.
    static long long statesTold();
    // Whether the pace of what ad pages do (their log lines, the tap that explains an open) is
    // measured in real time rather than on the main loop's clock: a run on a virtual clock, which
    // stands still during its waits and runs ahead between them, sets it while it runs.
    static void setPagesOnRealTime(bool real);
};
