#pragma once
// Whether a page whose web process used more than its processor share over a whole span is
// stopped. Its processor time alone does not tell an honest animation from a busy loop where the
// game has few cores: on the software renderer an 80 px CSS animation keeps half of one core busy,
// and a busy loop in a worker may get less than that beside other work. What the page costs the
// game does tell them: it is stopped when the game's main loop ran late over the span (the ticks the
// game waited for) or when it showed next to no frames for its processor time (a busy loop, in a
// worker or not, buys no picture). An animation that keeps drawing its frames while the game keeps
// its ticks is left alone.
#include <cstdint>

namespace platform::web {

class PageCpuCost {
  public:
    // Of the span: the main loop's ticks late by more than this share cost the game its pace.
    static constexpr double kMostLateShare = 0.2;
    // A page showing fewer frames a second than this over the span buys no animation with its time.
    static constexpr double kFewestFramesPerSecond = 2;

    // `frames` the page drew over `seconds`, in which the main loop's ticks came `lateShare` late.
    static bool stops(std::uint64_t frames, double seconds, double lateShare);
};

}  // namespace platform::web
