#include "platform/network/NetworkMonitor.h"

#include <gio/gio.h>

namespace platform {

namespace {

NetworkStatus readStatus(GNetworkMonitor* monitor) {
    NetworkStatus status;
    status.available = g_network_monitor_get_network_available(monitor);
    status.metered = status.available && g_network_monitor_get_network_metered(monitor);
    return status;
}

class GioNetworkMonitor final : public NetworkMonitor {
  public:
    explicit GioNetworkMonitor(GNetworkMonitor* monitor)
        : monitor_(G_NETWORK_MONITOR(g_object_ref(monitor))) {
        changed_ = g_signal_connect(monitor_, "network-changed", G_CALLBACK(onChanged), this);
        metered_ = g_signal_connect(monitor_, "notify::network-metered", G_CALLBACK(onMetered), this);
    }
    ~GioNetworkMonitor() override {
        g_signal_handler_disconnect(monitor_, changed_);
        g_signal_handler_disconnect(monitor_, metered_);
        g_object_unref(monitor_);
    }

    NetworkStatus status() const override { return readStatus(monitor_); }

  private:
    static void onChanged(GNetworkMonitor* monitor, gboolean, gpointer self) {
        static_cast<GioNetworkMonitor*>(self)->report(readStatus(monitor));
    }
    static void onMetered(GObject* monitor, GParamSpec*, gpointer self) {
        static_cast<GioNetworkMonitor*>(self)->report(readStatus(G_NETWORK_MONITOR(monitor)));
    }

    GNetworkMonitor* monitor_;
    gulong changed_ = 0;
    gulong metered_ = 0;
};

}  // namespace

std::shared_ptr<NetworkMonitor> NetworkMonitor::system() {
    GNetworkMonitor* monitor = g_network_monitor_get_default();
    if (!monitor) return nullptr;
    return std::make_shared<GioNetworkMonitor>(monitor);
}

void NetworkMonitor::setHandler(Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = handler ? std::make_shared<Handler>(std::move(handler)) : nullptr;
}

void NetworkMonitor::report(const NetworkStatus& status) {
    std::shared_ptr<Handler> handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handler = handler_;
    }
    if (handler) (*handler)(status);
}

NetworkStatus ManualNetworkMonitor::status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

void ManualNetworkMonitor::change(const NetworkStatus& status) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status_ = status;
    }
    report(status);
}

}  // namespace platform
