#pragma once
// The game on a virtual clock: exactly one frame-timer firing per 10 ms of virtual time, input
// from a script, frames written as PNG on request. Same seed and script, same run.
#include <functional>
#include <optional>
#include <string>

#include "app/CommandLine.h"
#include "app/RunResult.h"

class HeadlessRun {
  public:
    explicit HeadlessRun(CommandLine options) : options_(std::move(options)) {}

    // The run's result, or nothing with the reason in `error`; `exitCode` tells a bad request (2)
    // from a failure of the machine or of an output path (1).
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

  private:
    CommandLine options_;
    std::function<void(long long tick, int n)> soundObserver_;
    std::optional<std::string> ownScript_;
    long long ownScriptTicks_ = 0;
};
