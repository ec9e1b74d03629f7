#pragma once
// The game on a virtual clock: exactly one frame-timer firing per 10 ms of virtual time, input
// from a script, frames written as PNG on request. Same seed and script, same run. Web views (a
// display given) live on real time beside it: their events are dispatched between ticks, and a
// page on its way holds the next tick until it has loaded, within a real-time budget per run.
#include <functional>
#include <optional>
#include <string>

#include "app/CommandLine.h"
#include "app/RunResult.h"

class HeadlessRun {
  public:
    explicit HeadlessRun(CommandLine options) : options_(std::move(options)) {}

    // The run's result, or nothing with the reason in `error`; `exitCode` tells a bad request (2)
    // from a failure of the machine or of an output path (1). A run that played through but could
    // not keep what it wrote (a store write failed) gives its result with exit code 1 and why.
    std::optional<RunResult> run(std::string* error, int* exitCode);

    // A script of our own, used when the command line names none, played until the game-over
    // screen shows or `maxTicks` have run (the demo of a machine without a display).
    void playUntilGameOver(std::string script, long long maxTicks) {
        ownScript_ = std::move(script);
        ownScriptTicks_ = maxTicks;
    }

    // Hears every sound effect the game starts, with the tick it starts in (tests line them up
    // with the rendered sound).
    void setSoundObserver(std::function<void(long long tick, int n)> observer) {
        soundObserver_ = std::move(observer);
    }

    // Called after each tick, with what comes from outside the game (URLs, alert answers), before
    // web events are dispatched: tests and benchmarks make and drive web views there.
    void setTickObserver(std::function<void(long long tick)> observer) {
        tickObserver_ = std::move(observer);
    }

    // Real seconds the run may stand still in all, waiting for pages on their way (30 s); once
    // spent, web events still arrive between ticks, only as they come.
    void setWebWaitLimit(double seconds) { webWaitLimit_ = seconds; }

    // Real seconds the run may stand still for each ad load (banner or interstitial), for an
    // interstitial's page to paint once it is on screen, for a page to draw at a new size and for
    // a page told its state to answer (10 s); past that it goes on beside the game. These waits
    // take at most HeadlessWaits::kAdWaitsPerRun of a run in all.
    void setAdWaitLimit(double seconds) { adWaitLimit_ = seconds; }

  private:
    std::optional<RunResult> play(std::string* error, int* exitCode);

    CommandLine options_;
    std::function<void(long long tick, int n)> soundObserver_;
    std::function<void(long long tick)> tickObserver_;
    double webWaitLimit_ = 30;
    double adWaitLimit_ = 10;
    std::optional<std::string> ownScript_;
    long long ownScriptTicks_ = 0;
};
