#pragma once
// Stands in for the phone platform's background tasks: work that asks to finish even when the
// app leaves the foreground. A desktop process is never suspended, so a task runs until its owner
// ends it; its expiration handler runs only when the app's time is really up (the run ends with
// tasks still open, or a test says so). Main thread only.
#include <cstdint>
#include <functional>
#include <map>

namespace platform {

using BackgroundTaskId = std::uint32_t;
inline constexpr BackgroundTaskId kInvalidBackgroundTask = 0;

class BackgroundTasks {
  public:
    static BackgroundTasks& shared();

    // A new task; the handler runs at most once, and only when the time of open tasks runs out.
    BackgroundTaskId begin(std::function<void()> expirationHandler);
    // Ends the task (its handler is dropped); an unknown or invalid id changes nothing.
    void end(BackgroundTaskId id);
    std::size_t openCount() const { return tasks_.size(); }
    // Time is up: runs the handler of every open task (tasks begun by a handler are left open)
    // and forgets them.
    void expireAll();

  private:
    std::map<BackgroundTaskId, std::function<void()>> tasks_;
    BackgroundTaskId next_ = 1;
};

}  // namespace platform
