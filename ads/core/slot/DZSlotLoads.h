#pragma once
// Every slot's loads in this process (each request of a slot, its first or a refresh, from the ask
// for an ad to a valid ad or a failure), and each load of an SDK core page (keyed by its view):
// how many started, and which have not ended. Whoever runs the main loop on a clock of its own (a
// headless run) holds that clock still until the loads it saw start have ended. Main thread.
#include <cstddef>

class DZSlotLoads {
  public:
    // The slot at `slot` (a key only) entered a state: a loading one starts a load unless the slot
    // has one under way, any other ends it.
    static void slotEntered(const void* slot, bool loading);
    // Loads started so far, numbered from 1.
    static long long started();
    // How many of the loads numbered above `since` are still under way.
    static std::size_t underWaySince(long long since);
};
