#pragma once
// How late the main loop's ticks come: a timer every kTickSeconds on the loop, and how much later
// than its due time each firing came (a loop held past several is late once, by the last one). A loop that
// keeps its ticks keeps the game's frame rate; one whose ticks come late (its own work, or processes such as
// a page's taking the processor it waits for) is what a page over its processor share is judged by. On a
// virtual clock no tick is ever late. Main thread only.
#include <deque>
#include <memory>

namespace platform {
class RunLoop;
class Timer;
}  // namespace platform

namespace platform::web {

class LoopTicks {
  public:
    static constexpr double kTickSeconds = 0.1;
    // Lateness older than this is forgotten.
    static constexpr double kKeptSeconds = 60;

    explicit LoopTicks(RunLoop& loop);
    ~LoopTicks();
    LoopTicks(const LoopTicks&) = delete;
    LoopTicks& operator=(const LoopTicks&) = delete;

    // The share of the last `seconds` by which the ticks came late, 0 to 1.
    double lateShare(double seconds) const;

  private:
    // A tick due at `due` on the loop's clock came now.
    void ticked(double due);

    struct Tick {
        double at;
        double late;
    };
    RunLoop& loop_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::shared_ptr<Timer> timer_;
    std::deque<Tick> ticks_;
};

}  // namespace platform::web
