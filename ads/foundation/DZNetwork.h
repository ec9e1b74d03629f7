#pragma once
// Whether the device reaches the internet, and how: the request parameters "net" (the current
// type) and "net_last" (the last type that reached anything). The desktop's network monitor
// stands in for reachability: a connection that is not metered counts as Wi-Fi ("wi"), a metered
// one as the cellular network ("ed"); no connection, or no checking, gives no text.
//
// The type is read by the ad requests' parameter building on worker queues and written by the
// monitor's change notices, so it takes a lock. The notices arrive on the monitor's thread and
// only queue their write on a serial queue of their own, which keeps them in order without
// making the monitor wait.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace platform {
class DispatchQueue;
class NetworkMonitor;
}  // namespace platform

enum DZNetworkType : uint32_t {
    kDZNetworkTypeNotChecking = 0,
    kDZNetworkTypeNotReachable = 1,
    kDZNetworkTypeWiFi = 2,
    kDZNetworkTypeCellular = 3,
};

// The reachability flags that the type is read from.
inline constexpr uint32_t kDZReachabilityFlagReachable = 0x2;
inline constexpr uint32_t kDZReachabilityFlagIsWWAN = 0x40000;

class DZNetwork : public std::enable_shared_from_this<DZNetwork> {
  public:
    using MonitorFactory = std::function<std::shared_ptr<platform::NetworkMonitor>()>;

    // The monitor comes from the factory at each enabling (the desktop's by default).
    static std::shared_ptr<DZNetwork> init(MonitorFactory factory = {});
    ~DZNetwork();
    DZNetwork(const DZNetwork&) = delete;
    DZNetwork& operator=(const DZNetwork&) = delete;

    void enableNetworkChecking();
    void disableNetworkChecking();

    uint32_t networkType() const;
    uint32_t lastKnownNetworkType() const;
    std::optional<std::string> networkTypeString() const;
    std::optional<std::string> lastKnownNetworkTypeString() const;
    void setNetworkType(uint32_t type);
    // The cellular bit first, then the reachable bit; neither: not reachable.
    void setNetworkTypeFromFlags(uint32_t flags);

  private:
    explicit DZNetwork(MonitorFactory factory);
    // The flags a monitor state stands for.
    static uint32_t flagsFromStatus(bool available, bool metered);
    static uint32_t typeOfFlags(uint32_t flags);
    void setNetworkTypeLocked(uint32_t type);

    MonitorFactory factory_;
    // Workers read the type, the notice queue writes it, enabling happens on the caller's thread.
    mutable std::mutex mutex_;
    uint32_t networkType_ = kDZNetworkTypeNotChecking;           // mutex_
    uint32_t lastKnownNetworkType_ = kDZNetworkTypeNotChecking;  // mutex_
    std::shared_ptr<platform::NetworkMonitor> monitor_;          // mutex_
    std::shared_ptr<platform::DispatchQueue> enableCheckingQueue_;
};
