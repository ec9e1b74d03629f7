#pragma once
// Paces the copies of a page's pictures by what they cost the game. Each copy (the engine drawing
// its view into memory, the pixels converted and uploaded) is the game's own processor time spent
// for the page, and so is the window frame that shows it, which a page drawing anew asks for: a
// large page drawing anew all the time cost the game a third of a core at the content view's pace.
// This holds the copies of all views, with their frames, under one share of a core: the views that
// copied within the last second split it, and after copies costing c seconds each on average, a
// view's next comes no sooner than c / (its part of the share) after its last. A page cheap to copy
// keeps the shortest gap, and every animation keeps showing, those too costly to copy at that pace
// with fewer pictures a second; no page is stopped for it, as its size is the host's choice.
// Readings come from the caller, on any clock of seconds, the same for all views. Main thread only.
namespace platform::web {

class FrameCopyPace {
  public:
    // `coreShare` is the share of all views together.
    FrameCopyPace(double coreShare, double shortestGapSeconds);
    ~FrameCopyPace();
    FrameCopyPace(const FrameCopyPace&) = delete;
    FrameCopyPace& operator=(const FrameCopyPace&) = delete;

    // A copy made at `at` that cost the game `costSeconds` of its time, its frame's included.
    void copied(double at, double costSeconds);
    // When the next copy is due at the earliest (any time before the first).
    double nextAt() const;

  private:
    // How much a new copy's cost moves the average: a few copies show a change of cost, one slow
    // copy (the first, or a hiccup of the machine) does not hold the page back for long.
    static constexpr double kWeight = 0.25;
    // A view that copied within this while shares the budget.
    static constexpr double kActiveSeconds = 1;

    double share_;
    double shortestGap_;
    double part_;  // of the share, as the views copying stood at the last copy
    double averageCost_ = 0;
    double lastAt_ = 0;
    bool any_ = false;
};

}  // namespace platform::web
