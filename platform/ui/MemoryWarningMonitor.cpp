#include "platform/ui/MemoryWarningMonitor.h"

#include <gio/gio.h>

#include "platform/ui/Application.h"

namespace platform::ui {

MemoryWarningMonitor::MemoryWarningMonitor(Application& application) : application_(application) {
    monitor_ = g_memory_monitor_dup_default();
    if (monitor_) {
        handler_ = g_signal_connect(monitor_, "low-memory-warning", G_CALLBACK(onLowMemoryWarning), this);
    }
}

MemoryWarningMonitor::~MemoryWarningMonitor() {
    if (!monitor_) return;
    g_signal_handler_disconnect(monitor_, handler_);
    g_object_unref(monitor_);
}

void MemoryWarningMonitor::onLowMemoryWarning(GMemoryMonitor*, int, void* self) {
    // Every level counts: the phone's notice has no levels, and the ad caches are cheap to refill.
    static_cast<MemoryWarningMonitor*>(self)->application_.receiveMemoryWarning();
}

}  // namespace platform::ui
