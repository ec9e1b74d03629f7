#pragma once
// Whether the machine reaches a network, and whether that network is metered (a mobile link,
// a tethered phone), as the desktop's network monitor (GIO's GNetworkMonitor) tells it. Changes
// are announced in the GLib main context, so they arrive in the window's run loop; a headless
// run reads the state when asked and hears no changes.
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

struct NetworkStatus {
    bool available = false;
    bool metered = false;
};

class NetworkMonitor {
  public:
    using Handler = std::function<void(const NetworkStatus&)>;

    virtual ~NetworkMonitor() = default;

    // The desktop's monitor; null when GIO offers none.
    static std::shared_ptr<NetworkMonitor> system();

    virtual NetworkStatus status() const = 0;
    // Called with every change (on the thread that reports it); an empty handler stops the calls.
    void setHandler(Handler handler);

  protected:
    void report(const NetworkStatus& status);

  private:
    std::mutex mutex_;
    std::shared_ptr<Handler> handler_;
};

// A monitor whose state a test sets by hand; change() announces it like a system change.
class ManualNetworkMonitor : public NetworkMonitor {
  public:
    NetworkStatus status() const override;
    void change(const NetworkStatus& status);

  private:
    mutable std::mutex mutex_;
    NetworkStatus status_;
};

}  // namespace platform
