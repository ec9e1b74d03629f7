#pragma once
// Who asked for a ping: the click trackers share their slots out by asker. Each asker made is new
// to the process: none is ever equal to one made before it, also once that one is gone, so an ad
// made after another can never take over the pings, slots or place in line of the one before
// (a freed address would). Copies are the same asker. Safe from any thread.
#include <compare>
#include <cstdint>

class DZPingAsker {
  public:
    // The one asker of every ping asked for by no one in particular.
    DZPingAsker() = default;
    // An asker unlike any other.
    static DZPingAsker next();

    std::uint64_t id() const { return id_; }
    auto operator<=>(const DZPingAsker&) const = default;

  private:
    explicit DZPingAsker(std::uint64_t id) : id_(id) {}
    std::uint64_t id_ = 0;
};
