#pragma once
// Runs what is attached to GLib's default main context from a loop that is not on it: a
// virtual-clock run dispatches it between its ticks, so that the web engine (its views, their
// timers and the messages of its processes all live there) goes on in real time beside the game.
// Main thread only.
#include <functional>

namespace platform {

class MainContextPump {
  public:
    // Dispatches what is ready now without waiting, at most `limit` times, so that a source that
    // is always ready cannot hold the caller; returns how many dispatches ran.
    static int dispatchReady(int limit = 1000);
    // Dispatches events as they come until done() holds or `seconds` of real time have passed,
    // whichever comes first; returns done().
    static bool waitUntil(const std::function<bool()>& done, double seconds);
};

}  // namespace platform
