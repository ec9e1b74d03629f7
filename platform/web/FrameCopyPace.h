#pragma once
// Paces the copies of one page's pictures by what they cost the game. Each copy (the engine
// drawing its view into memory, the pixels converted and uploaded) is the game's own processor
// time spent for the page, and a large page drawing anew all the time cost it a third of a core at
// the content view's pace. This holds the copies under a share of a core: after copies costing c
// seconds each on average, the next comes no sooner than c / share after the last. A page cheap
// to copy keeps the shortest gap, and every animation keeps showing, those too costly to copy at
// that pace with fewer pictures a second; no page is stopped for it, as its size is the host's
// choice. Readings come from the caller, on any clock of seconds.
namespace platform::web {

class FrameCopyPace {
  public:
    FrameCopyPace(double coreShare, double shortestGapSeconds)
        : share_(coreShare), shortestGap_(shortestGapSeconds) {}

    // A copy made at `at` that cost the game `costSeconds` of its processor time.
    void copied(double at, double costSeconds);
    // When the next copy is due at the earliest (any time before the first).
    double nextAt() const;

  private:
    // How much a new copy's cost moves the average: a few copies show a change of cost, one slow
    // copy (the first, or a hiccup of the machine) does not hold the page back for long.
    static constexpr double kWeight = 0.25;

    double share_;
    double shortestGap_;
    double averageCost_ = 0;
    double lastAt_ = 0;
    bool any_ = false;
};

}  // namespace platform::web
