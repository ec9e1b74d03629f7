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
      lockQueue_(platform::DispatchQueue::createSerial("com.rerive.didaz.network")),
      enableCheckingQueue_(platform::DispatchQueue::createSerial("com.rerive.didaz.network-enable")) {}

std::shared_ptr<DZNetwork> DZNetwork::init(MonitorFactory factory) {
    return std::shared_ptr<DZNetwork>(new DZNetwork(std::move(factory)));
}

DZNetwork::~DZNetwork() {
    // Nothing may call back into a network that is going away.
    if (monitor_) monitor_->setHandler({});
}

uint32_t DZNetwork::flagsFromStatus(bool available, bool metered) {
    if (!available) return 0;
    return kDZReachabilityFlagReachable | (metered ? kDZReachabilityFlagIsWWAN : 0);
}

void DZNetwork::enableNetworkChecking() {
    lockQueue_->sync([&] {
        if (monitor_) return;
        setNetworkType(kDZNetworkTypeNotChecking);
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
        setNetworkTypeFromFlags(flagsFromStatus(status.available, status.metered));
    });
}

void DZNetwork::disableNetworkChecking() {
    lockQueue_->sync([&] {
        if (!monitor_) return;
        monitor_->setHandler({});
        monitor_.reset();
        setNetworkType(kDZNetworkTypeNotChecking);
    });
}

uint32_t DZNetwork::networkType() const {
    uint32_t type = 0;
    lockQueue_->sync([&] { type = networkType_; });
    return type;
}

uint32_t DZNetwork::lastKnownNetworkType() const {
    uint32_t type = 0;
    lockQueue_->sync([&] { type = lastKnownNetworkType_; });
    return type;
}

std::optional<std::string> DZNetwork::networkTypeString() const {
    return textOfType(networkType());
}

std::optional<std::string> DZNetwork::lastKnownNetworkTypeString() const {
    return textOfType(lastKnownNetworkType());
}

void DZNetwork::setNetworkType(uint32_t type) {
    // Holds itself so that a write queued at the end of its life still finds it.
    lockQueue_->async([self = shared_from_this(), type] {
        if (type == self->networkType_) return;
        if (type == kDZNetworkTypeWiFi || type == kDZNetworkTypeCellular) self->lastKnownNetworkType_ = type;
        self->networkType_ = type;
    });
}

void DZNetwork::setNetworkTypeFromFlags(uint32_t flags) {
    if (flags & kDZReachabilityFlagIsWWAN) {
        setNetworkType(kDZNetworkTypeCellular);
    } else if (flags & kDZReachabilityFlagReachable) {
        setNetworkType(kDZNetworkTypeWiFi);
    } else {
        setNetworkType(kDZNetworkTypeNotReachable);
    }
}
