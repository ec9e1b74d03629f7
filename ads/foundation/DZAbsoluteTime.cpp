#include "ads/foundation/DZAbsoluteTime.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

#include "platform/runloop/RunLoop.h"

uint64_t DZMillisecondClock::reading() {
    return static_cast<uint64_t>(preciseReading());
}

double DZMillisecondClock::preciseReading() {
    const Sample sample = source_();
    std::lock_guard<std::mutex> lock(mutex_);
    const bool sameScale =
        sample.scale ? hadScale_ && !scale_.owner_before(sample.scale) && !sample.scale.owner_before(scale_)
                     : !hadScale_;
    if (!started_) {
        started_ = true;
        startSeconds_ = sample.seconds;
    } else if (!sameScale) {
        // Another time scale: go on from the last reading instead of jumping.
        startSeconds_ = sample.seconds - (last_ - 1.0) / 1000.0;
    }
    scale_ = sample.scale;
    hadScale_ = static_cast<bool>(sample.scale);
    // Whole microseconds first: the loop's seconds are a double, and 0.12 s must not read 119 ms.
    const double ms = std::round((sample.seconds - startSeconds_) * 1e6) / 1000.0 + 1.0;
    last_ = std::max(last_, ms >= 1.0 && std::isfinite(ms) ? ms : 1.0);
    return last_;
}

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

DZMillisecondClock::Sample loopSample() {
    DZMillisecondClock::Sample sample;
    if (auto loop = platform::RunLoop::mainLoop()) {
        sample.seconds = loop->now();
        sample.scale = std::static_pointer_cast<void>(loop);
    } else {
        sample.seconds = steadySeconds();
    }
    return sample;
}

DZMillisecondClock& componentClock() {
    // Never destroyed: worker threads read the clock up to the process's end.
    static auto* clock = new DZMillisecondClock(loopSample);
    return *clock;
}

std::atomic<bool> pagesOnRealTime{false};

DZMillisecondClock& pageClock() {
    static auto* clock = new DZMillisecondClock([] {
        if (!pagesOnRealTime.load()) return loopSample();
        // A scale of its own, so that switching to it goes on from the last reading.
        static const auto* realTime = new std::shared_ptr<void>(std::make_shared<char>());
        return DZMillisecondClock::Sample{steadySeconds(), *realTime};
    });
    return *clock;
}

}  // namespace

uint64_t DZAbsoluteTime::absoluteTimeInMilliseconds() {
    return componentClock().reading();
}

double DZAbsoluteTime::absoluteTimeInSeconds() {
    return componentClock().preciseReading() / 1000.0;
}

uint64_t DZAbsoluteTime::pageTimeInMilliseconds() {
    return pageClock().reading();
}

double DZAbsoluteTime::pageTimeInSeconds() {
    return pageClock().preciseReading() / 1000.0;
}

void DZAbsoluteTime::setPagesOnRealTime(bool real) {
    pagesOnRealTime.store(real);
}
