#include "sound/OpenALThread.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <system_error>

#include "platform/foundation/Log.h"
#include "sound/SoundLog.h"

namespace sound {

namespace {

// The scheduler's priority of the calling thread under its own policy.
int currentThreadPriority() {
    int policy = 0;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &policy, &param) != 0) return 0;
    return param.sched_priority;
}

// Denied real-time scheduling is the rule on a desktop without the privilege: say so once.
std::atomic<bool> gPolicyRefusalLogged{false};

void logOnce(std::atomic<bool>& flag, const char* message) {
    if (!flag.exchange(true)) platform::logMessage(message, 2, "the sound worker runs at normal priority");
}

}  // namespace

OpenALThread::OpenALThread(Entry entry, int priority, bool fixedPriority)
    : entry_(std::move(entry)),
      priority_(priority),
      fixedPriority_(fixedPriority),
      defaultPriority_(currentThreadPriority()) {}

OpenALThread::~OpenALThread() {
    cancelAndJoin();
}

int OpenALThread::start() {
    if (thread_.joinable()) {
        if (!finished_) {
            platform::logMessage("OpenALThread::Start: can't start because the thread is already running", 4);
            return 0;
        }
        thread_.join();
    }
    cancelled_ = false;
    finished_ = false;
    try {
        thread_ = std::thread(&OpenALThread::trampoline, this);
    } catch (const std::system_error& e) {
        return reportStatus("Error creating thread", e.code().value());
    }
    return 0;
}

void OpenALThread::cancelAndJoin() {
    cancelled_ = true;
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void OpenALThread::trampoline() {
    setPriority();
    entry_(cancelled_);
    finished_ = true;
}

void OpenALThread::setPriority() {
    // Under the time-sharing policy Linux has no per-thread priority to set: only a fixed
    // (real-time) priority is asked for, and it needs the privilege to do so.
    if (!fixedPriority_) return;
    const int lo = sched_get_priority_min(SCHED_RR);
    const int hi = sched_get_priority_max(SCHED_RR);
    sched_param param{};
    param.sched_priority = std::clamp(lo + (priority_ - defaultPriority_), lo, hi);
    if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) != 0)
        logOnce(gPolicyRefusalLogged, "OpenALThread::SetPriority: failed to set the fixed-priority policy");
}

}  // namespace sound
