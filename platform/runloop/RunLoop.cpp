#include "platform/runloop/RunLoop.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace platform {

namespace {

// Shortest timer interval; also what a zero or negative repeating interval becomes.
constexpr std::int64_t kMinIntervalNanos = 100'000;
// Longest delay (about 100 years), so fire dates never overflow.
constexpr double kMaxSeconds = 3.0e9;

std::mutex& mainMutex() {
    static std::mutex mutex;
    return mutex;
}

// A loop still installed when the process exits goes with this slot. Its timers' callbacks release
// what they hold as it goes, and a destructor there may ask for the main loop: it must find none
// rather than take a new reference to the loop being destroyed, which would destroy it twice.
struct MainSlot {
    std::shared_ptr<RunLoop> loop;
    ~MainSlot() {
        std::shared_ptr<RunLoop> last;  // goes after the lock is released
        std::lock_guard<std::mutex> lock(mainMutex());
        last.swap(loop);
    }
};

std::shared_ptr<RunLoop>& mainSlot() {
    static MainSlot slot;
    return slot.loop;
}

}  // namespace

RunLoop::RunLoop() : thread_(std::this_thread::get_id()) {}

RunLoop::~RunLoop() = default;

std::int64_t RunLoop::secondsToNanos(double seconds) {
    if (!(seconds > 0)) return 0;  // negative and NaN
    return static_cast<std::int64_t>(std::llround(std::min(seconds, kMaxSeconds) * 1e9));
}

void RunLoop::postAfter(double delaySeconds, Task fn) {
    schedule(delaySeconds, false, false, {}, [fn = std::move(fn)](Timer&) { fn(); });
}

std::shared_ptr<Timer> RunLoop::scheduleRepeating(double intervalSeconds, Timer::Callback fn) {
    return schedule(intervalSeconds, true, false, {}, std::move(fn));
}

std::shared_ptr<Timer> RunLoop::scheduleOnce(double delaySeconds, Timer::Callback fn) {
    return schedule(delaySeconds, false, false, {}, std::move(fn));
}

std::shared_ptr<Timer> RunLoop::scheduleRepeating(double intervalSeconds, std::weak_ptr<void> owner,
                                                  Timer::Callback fn) {
    return schedule(intervalSeconds, true, true, std::move(owner), std::move(fn));
}

std::shared_ptr<Timer> RunLoop::scheduleOnce(double delaySeconds, std::weak_ptr<void> owner,
                                             Timer::Callback fn) {
    return schedule(delaySeconds, false, true, std::move(owner), std::move(fn));
}

std::shared_ptr<Timer> RunLoop::addPoller(std::function<void()> fn, double intervalSeconds) {
    return scheduleRepeating(intervalSeconds, [fn = std::move(fn)](Timer&) { fn(); });
}

std::shared_ptr<Timer> RunLoop::schedule(double seconds, bool repeats, bool hasOwner,
                                         std::weak_ptr<void> owner, Timer::Callback fn) {
    std::int64_t interval = secondsToNanos(seconds);
    if (repeats) interval = std::max(interval, kMinIntervalNanos);
    // Timer's constructor is private to this class, so make_shared cannot reach it.
    std::shared_ptr<Timer> timer(new Timer(this, nowNanos(), interval, repeats, std::move(fn), hasOwner,
                                           std::move(owner), nextOrder()));
    timerAdded(timer);
    return timer;
}

void RunLoop::fireTimer(const std::shared_ptr<Timer>& timer) {
    Timer& t = *timer;
    if (!t.valid_) return;
    std::shared_ptr<void> owner;
    if (t.hasOwner_) {
        owner = t.owner_.lock();
        if (!owner) {
            t.invalidate();
            return;
        }
    }
    // Runs even when the callback throws, so the timer is never left half-fired.
    struct AfterFiring {
        RunLoop& loop;
        Timer& t;
        ~AfterFiring() {
            t.firing_ = false;
            if (!t.valid_) {
                Timer::Callback done = std::move(t.callback_);
            } else if (!t.repeats_) {
                t.invalidate();
            } else {
                // Missed firings coalesce: the next fire date is the first grid point after now.
                std::int64_t elapsed = loop.nowNanos() - t.startNanos_;
                std::int64_t next = elapsed < 0 ? 1 : elapsed / t.intervalNanos_ + 1;
                t.tick_ = std::max(t.tick_ + 1, next);
            }
        }
    } after{*this, t};
    t.firing_ = true;
    t.callback_(t);
}

void RunLoop::detachTimer(Timer& timer) {
    timer.loop_ = nullptr;
    timer.invalidate();
}

RunLoop& RunLoop::main() {
    std::lock_guard<std::mutex> lock(mainMutex());
    if (!mainSlot()) throw std::logic_error("no main run loop is installed");
    return *mainSlot();
}

bool RunLoop::hasMain() {
    std::lock_guard<std::mutex> lock(mainMutex());
    return mainSlot() != nullptr;
}

std::shared_ptr<RunLoop> RunLoop::mainLoop() {
    std::lock_guard<std::mutex> lock(mainMutex());
    return mainSlot();
}

std::shared_ptr<RunLoop> RunLoop::setMain(std::shared_ptr<RunLoop> loop) {
    std::lock_guard<std::mutex> lock(mainMutex());
    return std::exchange(mainSlot(), std::move(loop));
}

}  // namespace platform
