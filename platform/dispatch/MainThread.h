#pragma once
// Which thread is the main one, and the debug check of the classes that live on it.
//
// The main thread is the thread of the installed main run loop (RunLoop::setMain): the window's
// loop, a headless run's virtual-clock loop, or the loop a test installs. While no loop is
// installed (tests of a class on its own, static set-up and tear-down) it is the process's
// first thread.
//
// A class that lives on the main thread states it with ASSERT_MAIN_THREAD() at its entry points
// instead of locking its members. The check is compiled into every build but the release ones
// (which define TIKOLEAP_NO_THREAD_CHECKS): the default and the sanitizer builds, where the tests
// run. A violation logs one ERROR line naming the function and ends the process, unless a
// handler is installed.

namespace platform {

// True on the main loop's thread (or, with no loop installed, on the process's first thread).
bool isMainThread();

// Called with the function's name on a violation. Returns the handler it replaces; null restores
// the default (log and abort). Tests install a counting handler.
using ThreadViolationHandler = void (*)(const char* function);
ThreadViolationHandler setThreadViolationHandler(ThreadViolationHandler handler);

// Reports a violation when the calling thread is not the main thread.
void checkMainThread(const char* function);

}  // namespace platform

#ifndef TIKOLEAP_NO_THREAD_CHECKS
#define TIKOLEAP_THREAD_CHECKS 1
#define ASSERT_MAIN_THREAD() ::platform::checkMainThread(__func__)
#else
#define TIKOLEAP_THREAD_CHECKS 0
#define ASSERT_MAIN_THREAD() static_cast<void>(0)
#endif
