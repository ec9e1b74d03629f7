#pragma once
// Stands in for the phone's memory-warning notice: GIO's GMemoryMonitor reports the system's
// low-memory warnings (through the low-memory-monitor service or the desktop portal, where
// either runs), and each one becomes Application::receiveMemoryWarning(). The signal comes on
// the GLib main context that is the thread's default when the monitor is made, so make it on
// the main thread of a GLib run loop. Where the system offers no monitor, nothing ever fires;
// tests raise the warning by hand through the application.
typedef struct _GMemoryMonitor GMemoryMonitor;

namespace platform::ui {

class Application;

class MemoryWarningMonitor {
  public:
    explicit MemoryWarningMonitor(Application& application);
    ~MemoryWarningMonitor();
    MemoryWarningMonitor(const MemoryWarningMonitor&) = delete;
    MemoryWarningMonitor& operator=(const MemoryWarningMonitor&) = delete;

    // Whether the system gave us a monitor at all.
    bool available() const { return monitor_ != nullptr; }

  private:
    static void onLowMemoryWarning(GMemoryMonitor* monitor, int level, void* self);

    Application& application_;
    GMemoryMonitor* monitor_ = nullptr;
    unsigned long handler_ = 0;
};

}  // namespace platform::ui
