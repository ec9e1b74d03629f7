#pragma once
// The real time one kind of a headless run's waits may take: each wait at most its own limit, and
// all the waits of the kind together at most the kind's total, so that a page or a server that
// keeps the run waiting cannot hold a long run for hours. A wait that ends without what it waited
// for logs one WARN naming the limit it actually waited (its own, or the smaller rest of the
// total); the wait that spends the total logs one more, and the kind waits no more after it.
#include <functional>
#include <string>

class WaitBudget {
  public:
    // Monotonic seconds (a test's own clock, or the steady clock).
    using Clock = std::function<double()>;

    // `kind` names the waits and `afterwards` what happens once their total is spent, in that
    // WARN ("pages on their way", "pages now load beside the game").
    WaitBudget(double total, std::string kind, std::string afterwards, Clock clock = {});

    // Stands still through standStill(limit), which returns whether what it waited for came
    // within limit; limit is the smaller of perWait and what is left of the total. The real
    // time it took is charged to the total. When it did not come, `what` (unless empty: a wait
    // that often ends so by design) is logged as "<what> within <limit><tail>". A spent budget
    // returns false at once, standing still no more.
    bool wait(double perWait, const std::function<bool(double limit)>& standStill, const std::string& what,
              const std::string& tail = {});

    bool spent() const { return left_ <= 0; }
    double left() const { return left_; }

    // "10 s", "2.5 s".
    static std::string secondsText(double seconds);

  private:
    double total_;
    double left_;
    std::string kind_;
    std::string afterwards_;
    Clock clock_;
};
