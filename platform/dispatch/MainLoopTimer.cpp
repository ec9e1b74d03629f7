#include "platform/dispatch/MainLoopTimer.h"

#include <stdexcept>
#include <utility>

#include "platform/runloop/RunLoop.h"

namespace platform {

MainLoopTimer::MainLoopTimer(double interval, bool repeats, Callback callback)
    : interval_(interval), repeats_(repeats), callback_(std::move(callback)) {}

std::shared_ptr<MainLoopTimer> MainLoopTimer::schedule(double intervalSeconds, bool repeats,
                                                       Callback callback) {
    auto loop = RunLoop::mainLoop();
    if (!loop) throw std::logic_error("a main-loop timer needs a main run loop; none is installed");
    std::shared_ptr<MainLoopTimer> timer(new MainLoopTimer(intervalSeconds, repeats, std::move(callback)));
    if (loop->isLoopThread()) {
        timer->arm();
    } else {
        loop->post([timer] { timer->arm(); });
    }
    return timer;
}

void MainLoopTimer::arm() {
    {
        std::lock_guard lock(mutex_);
        if (!valid_) return;
    }
    // The loop's timer holds this object; this object holds it only weakly, so invalidation
    // (or a one-shot firing) frees both.
    auto self = shared_from_this();
    auto fire = [self](Timer&) { self->fire(); };
    RunLoop& loop = RunLoop::main();
    timer_ = repeats_ ? loop.scheduleRepeating(interval_, fire) : loop.scheduleOnce(interval_, fire);
}

void MainLoopTimer::fire() {
    Callback callback;
    {
        std::lock_guard lock(mutex_);
        if (!valid_) return;
        callback = callback_;
        if (!repeats_) {
            valid_ = false;
            callback_ = nullptr;
        }
    }
    callback(*this);
}

void MainLoopTimer::invalidate() {
    Callback released;
    {
        std::lock_guard lock(mutex_);
        if (!valid_) return;
        valid_ = false;
        released = std::move(callback_);
        callback_ = nullptr;
    }
    auto loop = RunLoop::mainLoop();
    if (!loop) return;
    if (loop->isLoopThread()) {
        if (auto timer = timer_.lock()) timer->invalidate();
    } else {
        auto self = shared_from_this();
        loop->post([self] {
            if (auto timer = self->timer_.lock()) timer->invalidate();
        });
    }
}

bool MainLoopTimer::isValid() const {
    std::lock_guard lock(mutex_);
    return valid_;
}

double MainLoopTimer::tolerance() const {
    std::lock_guard lock(mutex_);
    return tolerance_;
}

void MainLoopTimer::setTolerance(double seconds) {
    std::lock_guard lock(mutex_);
    tolerance_ = seconds > 0 ? seconds : 0;
}

}  // namespace platform
