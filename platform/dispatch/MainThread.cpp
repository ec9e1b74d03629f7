#include "platform/dispatch/MainThread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "platform/foundation/Log.h"
#include "platform/runloop/RunLoop.h"

namespace platform {

namespace {

std::atomic<ThreadViolationHandler> violationHandler{nullptr};

bool isFirstThread() {
    return static_cast<pid_t>(::syscall(SYS_gettid)) == ::getpid();
}

}  // namespace

bool isMainThread() {
    if (auto loop = RunLoop::mainLoop()) return loop->isLoopThread();
    return isFirstThread();
}

ThreadViolationHandler setThreadViolationHandler(ThreadViolationHandler handler) {
    return violationHandler.exchange(handler);
}

void checkMainThread(const char* function) {
    if (isMainThread()) return;
    if (ThreadViolationHandler handler = violationHandler.load()) {
        handler(function);
        return;
    }
    logMessage(function, 4, "called off the main thread");
    std::abort();
}

}  // namespace platform
