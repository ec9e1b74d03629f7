#pragma once
// View animations scrubbed together: while a group is current (a Capture lives), every
// ViewAnimation started joins it held at its start instead of running. The group then moves them
// all to a fraction of its length (the longest member's seconds; each member reaches its end after
// its own seconds) and finally runs them on to their ends or back to their starts in real time on
// its loop's clock, at the pace they would have had. Held members move linearly with the
// fraction, so a view follows the finger that scrubs it, and the run goes on at that pace.
// Forward, each member lands on its targets and its completion gets finished = true; backward,
// each is put back on the values it started from and its completion gets finished = false, as
// for an animation that never reached its targets. A group dropped before it runs leaves its
// animations where they are and never calls their completions. Main thread only.
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace platform {
class RunLoop;
class Timer;
}  // namespace platform

namespace platform::ui {

class ViewAnimation;

class ViewAnimationGroup : public std::enable_shared_from_this<ViewAnimationGroup> {
  public:
    // `loop` null means the loop of the first member's window (or the main loop).
    static std::shared_ptr<ViewAnimationGroup> create(RunLoop* loop = nullptr);
    ~ViewAnimationGroup();
    ViewAnimationGroup(const ViewAnimationGroup&) = delete;
    ViewAnimationGroup& operator=(const ViewAnimationGroup&) = delete;

    // Makes `group` current for its lifetime (nested captures restore the outer one).
    class Capture {
      public:
        explicit Capture(ViewAnimationGroup& group);
        ~Capture();
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;

      private:
        ViewAnimationGroup* previous_;
    };
    static ViewAnimationGroup* current();

    std::size_t size() const { return members_.size(); }
    // Seconds of the longest member.
    double duration() const;
    // 0 at the start, 1 at the end.
    double fraction() const { return fraction_; }
    // Clamped to 0..1; a non-finite fraction is ignored, and so is any call once a run began.
    void setFraction(double fraction);
    // `done` runs after the members' completions. Only the first run counts.
    void runToEnd(std::function<void()> done = {});
    void runToStart(std::function<void()> done = {});
    bool isRunning() const { return running_; }
    bool hasEnded() const { return ended_; }

  private:
    friend class ViewAnimation;
    ViewAnimationGroup() = default;
    void adopt(const std::shared_ptr<ViewAnimation>& animation);
    void applyFraction();
    void run(double target, std::function<void()> done);
    void step();
    void end();

    RunLoop* loop_ = nullptr;
    std::vector<std::shared_ptr<ViewAnimation>> members_;
    double fraction_ = 0;
    double runFrom_ = 0;
    double runTarget_ = 0;
    double runBegin_ = 0;
    double runSeconds_ = 0;
    bool running_ = false;
    bool ended_ = false;
    std::function<void()> done_;
    std::shared_ptr<Timer> timer_;
    std::shared_ptr<ViewAnimationGroup> self_;
};

}  // namespace platform::ui
