#pragma once
// What `make play` shows where no display exists: a short game played headless, started through
// the title's "Start Game" button and steered by a script of tilts, to its game-over screen.
#include <string>

class PlayDemo {
  public:
    // The demo's input script (see InputScript): a tap on "Start Game", then tilts that sweep
    // Mr.Tiko left and right until he misses a platform.
    static std::string script();
    // The demo ends at the game-over screen, or after this many ticks at the latest.
    static constexpr long long kMaxTicks = 12000;
    // "demo game of level 20 over: 1234 points", for the player.
    static std::string scoreLine(int level, long long score);
};
