#pragma once
// Whether a page whose web process used more than its processor share over a whole span is
// stopped. Its processor time alone does not tell an honest animation from a busy loop where the
// game has few cores: on the software renderer an 80 px CSS animation keeps half of one core busy,
// and a busy loop in a worker may get less than that beside other work. What the page costs the
// game does tell them: it is stopped when the game's main loop ran late over the span (the ticks the
// game waited for) or when it showed next to no frames for its processor time (a busy loop, in a
// worker or not, buys no picture). An animation that keeps drawing its frames while the game keeps
// its ticks is left alone.
#include <chrono>
#include <cstdint>
#include <string>

namespace platform::web {

class LoopTicks;

class PageCpuCost {
  public:
    // Of the span: the main loop's ticks late by more than this share cost the game its pace.
    static constexpr double kMostLateShare = 0.2;
    // A page showing fewer frames a second than this over the span buys no animation with its time.
    static constexpr double kFewestFramesPerSecond = 2;

    // `frames` the page drew over `seconds`, in which the main loop's ticks came `lateShare` late.
    static bool stops(std::uint64_t frames, double seconds, double lateShare);

    // The page's process starts anew, at the page's `frame`.
    void restart(std::uint64_t frame);
    // The page's process passed its share again: whether the page is stopped for it, judged since
    // the last time (or since the process began, which the span lies in), with why.
    bool stops(std::uint64_t frame, const LoopTicks& ticks, std::string& why);

  private:
    std::chrono::steady_clock::time_point since_ = std::chrono::steady_clock::now();
    std::uint64_t sinceFrame_ = 0;
};

}  // namespace platform::web
