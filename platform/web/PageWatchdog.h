#pragma once
// Notices a page that no longer answers. While armed it runs an empty script in the host's own
// script world every interval; when one gets no answer within the time-out it calls onStuck
// once and disarms. A page spinning in a script holds its web process's only thread, and after
// its load nothing else would ask that process anything, so this is how such a page is found.
#include <functional>
#include <memory>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _GCancellable GCancellable;

namespace platform {
class RunLoop;
class Timer;
}  // namespace platform

namespace platform::web {

class PageWatchdog {
  public:
    PageWatchdog(RunLoop& loop, WebKitWebView* view, const char* world, double intervalSeconds,
                 double timeoutSeconds, std::function<void()> onStuck);
    ~PageWatchdog();
    PageWatchdog(const PageWatchdog&) = delete;
    PageWatchdog& operator=(const PageWatchdog&) = delete;

    // Probing starts (again) with the next interval; arming an armed watchdog changes nothing.
    void arm();
    void disarm();
    bool armed() const { return tick_ != nullptr; }

  private:
    struct Probe;
    void probe();
    void answered();

    RunLoop& loop_;
    WebKitWebView* view_;
    const char* world_;
    double interval_;
    double timeout_;
    std::function<void()> onStuck_;
    // Set to 1 when the watchdog goes: probes answered later find it so.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::shared_ptr<Timer> tick_;
    std::shared_ptr<Timer> deadline_;
    GCancellable* inFlight_ = nullptr;
};

}  // namespace platform::web
