#pragma once
// The number that ties together the requests of the slots on one screen, so that the ad server
// can keep them from showing the same ad twice. Owners share one between their slots.
#include <cstdint>

class DZCorrelator {
  public:
    // A random non-zero number.
    DZCorrelator();
    explicit DZCorrelator(uint64_t correlationID) : correlationID_(correlationID) {}

    uint64_t correlationID() const { return correlationID_; }

  private:
    uint64_t correlationID_;
};
