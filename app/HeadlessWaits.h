#pragma once
// What a headless run waits for between ticks, the virtual clock standing still and real time
// running: pages on their way, each ad load and the banner's page painted, an interstitial's page
// painted once on screen, pages drawn at a new size, and pages told a new state drawn. A wait ends
// as soon as what it waits for has ended; each kind of wait has its limit per wait and its total
// per run (WaitBudget), and past either the thing waited for goes on beside the game. The run
// calls afterTick() once a tick (and again after a script's wait), so the same seed, script and
// server give the same run whatever the machine's speed.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/WaitBudget.h"

class DZInterstitial;
class MyAppCore;
namespace platform {
class ManualRunLoop;
namespace web {
class WebEngine;
}
}  // namespace platform

class HeadlessWaits {
  public:
    struct Limits {
        // Real seconds all waits for pages on their way take in a run.
        double pageLoadsPerRun = 30;
        // Real seconds one wait for an ad (a load, a page painting or drawing at a new size, a
        // page told its state answering) takes at most.
        double adWait = 10;
    };

    // `adLoadsBefore`: the ad loads started before the run (earlier runs' in this process, and
    // the launch's), which are not waited for.
    HeadlessWaits(platform::ManualRunLoop& loop, MyAppCore& core, float scale, Limits limits,
                  long long adLoadsBefore);

    // After each tick's outside events: dispatches the web engine's events that are ready and
    // stands still until what the tick started has ended, within the limits.
    void afterTick();

    // Turns the main loop's posted work (the virtual clock standing still) and the web engine's
    // events until done() holds or `seconds` of real time have passed; returns done().
    bool standStill(const std::function<bool()>& done, double seconds);

    // Real seconds all ad waits take in a run: hundreds of loads of a long run end within it,
    // while ads that never end cannot hold the run for hours.
    static constexpr double kAdWaitsPerRun = 600;
    // Real seconds the waits for pages told a state take in a run: a page that keeps changing
    // its state without drawing would otherwise hold a long run for hours.
    static constexpr double kToldWaitsPerRun = 60;
    // Real seconds a page that answered the news of its new state has to draw it: it draws within
    // a frame or two when its look changed, and not at all when it did not.
    static constexpr double kRedrawAfterState = 2;

  private:
    void waitForPageLoads();
    void waitForBanner();
    void waitForInterstitialLoad();
    void waitForAdLoads();
    void waitForInterstitialPaint();
    void waitForResizedPages();
    void waitForToldPages();
    // Until each of `pages` has answered a script sent now and has then stayed still a while
    // (after drawing, with `mustDraw`; that wait is quietly given up after kRedrawAfterState, as a
    // page whose look did not change draws nothing).
    void waitForDrawsAfterAnAnswer(const std::vector<std::weak_ptr<platform::web::WebEngine>>& pages,
                                   bool mustDraw, const std::string& what);
    // standStill for an ad load: a mediated load asks its networks in turn, each working in real
    // time (a page in a web process of its own), and each network it asks anew gets `seconds`
    // afresh, within `most` in all. One limit for the whole waterfall was spent on a busy
    // machine by networks that each took a few seconds, and the clock then ran on while the next
    // network still worked, which changed its outcome.
    bool standStillEachStep(const std::function<bool()>& done, double seconds, double most);
    // Whether the banner, when received, has painted at the run's scale.
    bool bannerDrawn() const;
    // Whether a presentation's slide waits for its page to draw.
    bool waitingToSlide() const;
    void waitForSlides();
    // The ad loads under way now have been waited for as long as they get: they go on beside the
    // game, and the wait for any other ad load does not wait for them again.
    void giveUpAdLoadsUnderWay();
    void warnIfNoDisplay();

    platform::ManualRunLoop& loop_;
    MyAppCore& core_;
    float scale_;
    double adWait_;
    WaitBudget pageLoads_;
    WaitBudget adLoads_;
    WaitBudget toldPages_;
    long long adLoadsSeen_;
    int bannerLoadsSeen_ = 0;
    // Held weakly, so that a new ad is never taken for the last one made at the same address.
    std::weak_ptr<DZInterstitial> interstitialSeen_;
    int interstitialsSeen_;
    long long statesSeen_;
    bool warnedNoDisplay_ = false;
};
