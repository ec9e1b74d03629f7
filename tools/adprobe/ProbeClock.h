#pragma once
// The probe's commands turn the game's loop and the web engine's context together, the virtual
// clock kept with real time.
#include <functional>

namespace platform {
class ManualRunLoop;
}

// Turns both until done() holds (true) or `seconds` of real time have passed (false); eachTurn,
// when given, runs after every turn (a command that draws its window as a display would).
bool turnUntil(platform::ManualRunLoop& loop, const std::function<bool()>& done, double seconds,
               const std::function<void()>& eachTurn = {});
