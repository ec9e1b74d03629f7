#pragma once
// Input for exact replays: tilt and touches by tick.
//
//   # comment
//   <tick> tilt <x>        device tilt in g (left negative) from that tick on
//   <tick> down <x> <y>    a finger goes down (or moves) at view point (x, y), 320 x 480 points
//   <tick> up              the finger lifts
//   <tick> open <url>      the URL is opened into the app (as --open-url does)
//   <tick> alert <title>   the alert on screen is answered with its button of that title
//   <tick> background      the app goes to the background (as a minimised window does)
//   <tick> foreground      ... and comes back
//   <tick> wait <seconds>  after that tick, the main loop runs in real time for that long (above 0,
//                          at most kMaxWaitSeconds) while the virtual clock stands still
//
// Ticks count from 1 and must not decrease.
#include <optional>
#include <string>
#include <vector>

struct InputEvent {
    enum class Kind { Tilt, Down, Up, Open, Alert, Background, Foreground, Wait };
    long long tick = 0;
    Kind kind = Kind::Tilt;
    double x = 0;  // tilt: g; down: x; wait: seconds
    double y = 0;
    std::string text;  // open: the URL; alert: the button title
};

class InputScript {
  public:
    // Nothing, with "<source>:<line>: <reason>" in `error`, for a malformed script.
    static std::optional<InputScript> parse(const std::string& text, const std::string& source,
                                            std::string* error);
    // A regular file of at most kMaxBytes; anything else is refused with the reason in `error`.
    static std::optional<InputScript> load(const std::string& path, std::string* error);
    static constexpr size_t kMaxBytes = 64 * 1024 * 1024;
    // A wait holds the run in real time: one line waits at most a minute, a whole script ten.
    static constexpr double kMaxWaitSeconds = 60;
    static constexpr double kMaxTotalWaitSeconds = 600;

    const std::vector<InputEvent>& events() const { return events_; }
    // Whether any event comes after the tick.
    bool hasEventsAfter(long long tick) const { return !events_.empty() && events_.back().tick > tick; }
    // The events of one tick, in script order.
    template <class Fn>
    void forTick(long long tick, Fn&& fn) {
        while (next_ < events_.size() && events_[next_].tick < tick) ++next_;
        for (size_t i = next_; i < events_.size() && events_[i].tick == tick; ++i) fn(events_[i]);
    }

  private:
    std::vector<InputEvent> events_;
    size_t next_ = 0;
};
