#include "ads/foundation/DZNetwork.h"

#include "platform/dispatch/DispatchQueue.h"
#include "platform/network/NetworkMonitor.h"

namespace {

std::optional<std::string> textOfType(uint32_t type) {
    if (type == kDZNetworkTypeWiFi) return "wi";
    if (type == kDZNetworkTypeCellular) return "ed";
    return std::nullopt;
}

}  // namespace

DZNetwork::DZNetwork(MonitorFactory factory)
    : factory_(factory ? std::move(factory) : MonitorFactory(&platform::NetworkMonitor::system)),
      enableCheckingQueue_(platform::DispatchQueue::createSerial("com.rerive.didaz.network-enable")) {}

std::shared_ptr<DZNetwork> DZNetwork::init(MonitorFactory factory) {
    return std::shared_ptr<DZNetwork>(new DZNetwork(std::move(factory)));
}

DZNetwork::~DZNetwork() {
    // Nothing may call back into a network that is going away.
    std::lock_guard lock(mutex_);
    if (monitor_) monitor_->setHandler({});
}

uint32_t DZNetwork::flagsFromStatus(bool available, bool metered) {
    if (!available) return 0;
    return kDZReachabilityFlagReachable | (metered ? kDZReachabilityFlagIsWWAN : 0);
}

void DZNetwork::enableNetworkChecking() {
    std::lock_guard lock(mutex_);
    if (monitor_) return;
    setNetworkTypeLocked(kDZNetworkTypeNotChecking);
    auto monitor = factory_();
    if (!monitor) return;
    std::weak_ptr<DZNetwork> weak = weak_from_this();
    auto queue = enableCheckingQueue_;
    monitor->setHandler([weak, queue](const platform::NetworkStatus& status) {
        queue->async([weak, status] {
            if (auto self = weak.lock())
                self->setNetworkTypeFromFlags(flagsFromStatus(status.available, status.metered));
        });
    });
    monitor_ = monitor;
    // The state at the start: a monitor only speaks up at a change.
    const platform::NetworkStatus status = monitor->status();
    setNetworkTypeLocked(typeOfFlags(flagsFromStatus(status.available, status.metered)));
}

void DZNetwork::disableNetworkChecking() {
    std::lock_guard lock(mutex_);
    if (!monitor_) return;
    monitor_->setHandler({});
    monitor_.reset();
    setNetworkTypeLocked(kDZNetworkTypeNotChecking);
}

uint32_t DZNetwork::networkType() const {
    std::lock_guard lock(mutex_);
    return networkType_;
}

uint32_t DZNetwork::lastKnownNetworkType() const {
    std::lock_guard lock(mutex_);
    return lastKnownNetworkType_;
}

std::optional<std::string> DZNetwork::networkTypeString() const {
    return textOfType(networkType());
}

std::optional<std::string> DZNetwork::lastKnownNetworkTypeString() const {
    return textOfType(lastKnownNetworkType());
}

void DZNetwork::setNetworkType(uint32_t type) {
    std::lock_guard lock(mutex_);
    setNetworkTypeLocked(type);
}

void DZNetwork::setNetworkTypeLocked(uint32_t type) {
    if (type == networkType_) return;
    if (type == kDZNetworkTypeWiFi || type == kDZNetworkTypeCellular) lastKnownNetworkType_ = type;
    networkType_ = type;
}

uint32_t DZNetwork::typeOfFlags(uint32_t flags) {
    if (flags & kDZReachabilityFlagIsWWAN) return kDZNetworkTypeCellular;
    if (flags & kDZReachabilityFlagReachable) return kDZNetworkTypeWiFi;
    return kDZNetworkTypeNotReachable;
}

void DZNetwork::setNetworkTypeFromFlags(uint32_t flags) {
    setNetworkType(typeOfFlags(flags));
}
