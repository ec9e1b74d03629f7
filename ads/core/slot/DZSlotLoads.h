#pragma once
// Every slot's loads in this process (each request of a slot, its first or a refresh, from the ask
// for an ad to a valid ad or a failure), and each load of an SDK core page (keyed by its view):
// how many started, and which have not ended. Whoever runs the main loop on a clock of its own (a
// headless run) holds that clock still until the loads it saw start have ended, or wait only on
// that clock. Main thread.
#include <cstddef>
#include <functional>

class DZSlotLoads {
  public:
    // The slot at `slot` (a key only) entered a state: a loading one starts a load unless the slot
    // has one under way, any other ends it.
    static void slotEntered(const void* slot, bool loading);
    // For the load under way at `slot` (none: nothing happens): `onlyOnClock` says, when asked,
    // whether all the load still waits for is a deadline on the component's own clock (a
    // time-out, a draw check), no request, page or adapter working in real time. Such a load
    // is not counted as under way while it says so; a load that was given no such question is
    // counted until it ends. Forgotten when the load ends. It must not release anything.
    static void setOnlyOnClock(const void* slot, std::function<bool()> onlyOnClock);
    // The load under way at `slot`, which was given a question, works in real time again (a
    // mediated load asks its next network): it takes a new number, so that whoever let the clock
    // go on meanwhile, or gave up waiting for it, sees a load start and waits for it again.
    static void slotWorks(const void* slot);
    // Loads started so far, numbered from 1.
    static long long started();
    // How many of the loads numbered above `since` are still under way.
    static std::size_t underWaySince(long long since);
};
