#include "ads/mediation/DZMRewardBasedVideoAdNetworkConnector.h"

#include <tuple>

#include "ads/core/DZAdReward.h"
#include "ads/core/DZRequest.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/mediation/DZMConfig.h"
#include "ads/mediation/DZMPingSender.h"
#include "ads/mediation/DZMRequestFacts.h"
#include "ads/mediation/DZMRewardBasedVideoAdConnectorDelegate.h"
#include "ads/mediation/DZMRewardBasedVideoAdNetworkAdapter.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainThread.h"
#include "platform/foundation/ClassRegistry.h"

std::shared_ptr<DZMRewardBasedVideoAdNetworkConnector> DZMRewardBasedVideoAdNetworkConnector::create() {
    return std::make_shared<DZMRewardBasedVideoAdNetworkConnector>();
}

DZMRewardBasedVideoAdNetworkConnector::~DZMRewardBasedVideoAdNetworkConnector() {
    if (adapter_ && !stopped_) {
        try {
            adapter_->stopBeingDelegate();
        } catch (...) {
        }
    }
}

bool DZMRewardBasedVideoAdNetworkConnector::setAdNetworkConfig(std::shared_ptr<DZMAdNetworkConfig> network) {
    if (!network) return false;
    const std::string className = network->adapterClass().value_or("");
    if (adNetworkConfig_ && className != adapterClassName_) return false;
    adapterClassName_ = className;
    std::tie(networkData_, isLocationShared_) = DZMRequestFacts::splitCredentials(network->credentials());
    adNetworkConfig_ = std::move(network);
    return true;
}

void DZMRewardBasedVideoAdNetworkConnector::setRequest(const std::shared_ptr<DZRequest>& request) {
    request_ = request ? request->copy() : nullptr;
}

const std::shared_ptr<DZMAdNetworkConfig>& DZMRewardBasedVideoAdNetworkConnector::eventNetworkConfig() const {
    return isShown() ? shownNetworkConfig_ : adNetworkConfig_;
}

const std::shared_ptr<DZMConfig>& DZMRewardBasedVideoAdNetworkConnector::eventMediationConfig() const {
    return isShown() ? shownMediationConfig_ : mediationConfig_;
}

void DZMRewardBasedVideoAdNetworkConnector::setUpAdapterWithUserID(const std::optional<std::string>& userID) {
    ASSERT_MAIN_THREAD();
    auto hold = shared_from_this();
    auto fail = [this](int32_t code, const std::string& message) {
        deliver(adapter_.get(),
                {Event::kSetUpFailed, DZRequestError::errorWithCodeCustomMessage(code, message), nullptr});
    };
    if (!adNetworkConfig_)
        return fail(kDZErrorMediationDataError, "No network config to initialize adapter.");
    if (adapterClassName_.empty()) return fail(kDZErrorMediationAdapterError, "Adapter class is empty.");
    if (!adapter_) {
        if (!platform::ClassRegistry::shared().conformsTo(adapterClassName_,
                                                          DZMRewardBasedVideoAdNetworkAdapter::kAdapterKind))
            return fail(kDZErrorMediationAdapterError, "Adapter class doesn't conform to protocol " +
                                                           DZMRewardBasedVideoAdNetworkAdapter::kAdapterKind +
                                                           ".");
        try {
            adapter_ = std::static_pointer_cast<DZMRewardBasedVideoAdNetworkAdapter>(
                platform::ClassRegistry::shared().create(adapterClassName_));
        } catch (...) {
            adapter_.reset();
        }
        if (!adapter_)
            return fail(kDZErrorMediationAdapterError, "Cannot make the adapter " + adapterClassName_ + ".");
        adapter_->setConnector(weak_from_this());
    }
    try {
        adapter_->setUpWithUserID(userID);
    } catch (...) {
        fail(kDZErrorMediationAdapterError, "Adapter " + adapterClassName_ + " failed in its set-up.");
    }
}

void DZMRewardBasedVideoAdNetworkConnector::requestRewardBasedVideoAd() {
    ASSERT_MAIN_THREAD();
    auto hold = shared_from_this();
    const auto fail = [this](const std::string& message) {
        deliver(adapter_.get(),
                {Event::kFailed, DZRequestError::errorWithCodeCustomMessage(kDZErrorInternalError, message),
                 nullptr});
    };
    if (!adapter_) return fail("The adapter " + adapterClassName_ + " is not set up.");
    try {
        adapter_->requestRewardBasedVideoAd();
    } catch (...) {
        fail("Adapter " + adapterClassName_ + " failed in its ad request.");
    }
}

void DZMRewardBasedVideoAdNetworkConnector::presentRewardBasedVideoAdFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root,
    std::weak_ptr<DZMRewardBasedVideoAdConnectorDelegate> shownAd) {
    ASSERT_MAIN_THREAD();
    if (!adapter_) return;
    auto hold = shared_from_this();
    shownMediationConfig_ = mediationConfig_;
    shownNetworkConfig_ = adNetworkConfig_;
    shownAd_ = std::move(shownAd);
    showing_ = true;
    showingEvents_ = 0;
    if (shownNetworkConfig_)
        pingNetwork(shownNetworkConfig_->impressionURLs(), DZMPingSender::defaultImpressionTemplate());
    try {
        adapter_->presentRewardBasedVideoAdWithRootViewController(root);
    } catch (...) {
        DZLog("Adapter %s failed to present its ad.", adapterClassName_.c_str());
    }
}

void DZMRewardBasedVideoAdNetworkConnector::askAdapterToStopBeingDelegate() {
    if (stopped_) return;
    stopped_ = true;
    if (!adapter_) return;
    try {
        adapter_->stopBeingDelegate();
    } catch (...) {
        DZLog("Adapter %s failed to stop being a delegate.", adapterClassName_.c_str());
    }
}

void DZMRewardBasedVideoAdNetworkConnector::pingNetwork(
    const std::optional<std::vector<std::string>>& templates, const std::string& defaultTemplate) const {
    if (!templates && defaultTemplate.empty()) return;
    const auto& config = eventMediationConfig();
    DZMPing ping;
    ping.templates = DZMPingSender::joinedTemplates(templates, std::nullopt);
    ping.defaultTemplate = defaultTemplate;
    ping.qdata = config ? config->qdata() : std::nullopt;
    DZMPingSender::send(ping);
}

// --- Questions ---

std::optional<std::string> DZMRewardBasedVideoAdNetworkConnector::publisherId() const {
    return adNetworkConfig_ ? adNetworkConfig_->publisherID() : std::nullopt;
}

DZMRequestFacts DZMRewardBasedVideoAdNetworkConnector::facts() const {
    return {request_, isLocationShared_};
}

std::shared_ptr<DZAdNetworkExtras> DZMRewardBasedVideoAdNetworkConnector::networkExtras() const {
    return facts().networkExtras(adapterClassName_, adapter_.get());
}

// --- Callbacks ---

void DZMRewardBasedVideoAdNetworkConnector::deliver(const void* sender, Callback callback) {
    // Always through the queue, also on the main thread: an answer inside the adapter's own call
    // then runs after that call returned, on a stack of its own.
    platform::DispatchQueue::main()->async(
        [self = shared_from_this(), sender, callback = std::move(callback)] {
            self->take(sender, callback);
        });
}

void DZMRewardBasedVideoAdNetworkConnector::take(const void* sender, const Callback& callback) {
    if (stopped_ || sender != adapter_.get()) return;
    switch (callback.event) {
        case Event::kSetUp:
        case Event::kSetUpFailed:
        case Event::kReceived:
        case Event::kFailed:
            break;
        default: {
            const unsigned bit = 1u << static_cast<unsigned>(callback.event);
            if (!showing_ || (showingEvents_ & bit)) return;
            showingEvents_ |= bit;
            if (callback.event == Event::kClose) showing_ = false;
        }
    }
    auto waterfall = delegate_.lock();
    auto shown = shownAd_.lock();
    const auto& network = eventNetworkConfig();
    switch (callback.event) {
        case Event::kSetUp:
            if (waterfall) waterfall->connectorDidSetUpRewardBasedVideoAd(*this);
            break;
        case Event::kSetUpFailed:
            if (waterfall) waterfall->connectorDidFailToSetUpRewardBasedVideoAd(*this, callback.error);
            break;
        case Event::kReceived:
            if (waterfall) waterfall->connectorDidReceiveRewardBasedVideoAd(*this);
            break;
        case Event::kFailed:
            if (waterfall) waterfall->connectorDidFailToReceiveRewardBasedVideoAd(*this, callback.error);
            break;
        case Event::kClick:
            if (network) pingNetwork(network->clickURLs(), DZMPingSender::defaultClickTemplate());
            if (shown) shown->connectorDidReceiveClick(*this);
            break;
        case Event::kReward:
            if (network) pingNetwork(network->rewardedUserURLs(), "");
            if (shown) shown->connectorDidRewardUser(*this, callback.reward);
            break;
        case Event::kOpen:
            if (shown) shown->connectorDidOpenRewardBasedVideoAd(*this);
            break;
        case Event::kStart:
            if (network) pingNetwork(network->videoStartURLs(), "");
            if (shown) shown->connectorDidStartPlayingRewardBasedVideoAd(*this);
            break;
        case Event::kClose:
            shownAd_.reset();
            shownMediationConfig_.reset();
            shownNetworkConfig_.reset();
            if (shown) shown->connectorDidCloseRewardBasedVideoAd(*this);
            break;
        case Event::kLeave:
            if (shown) shown->connectorWillLeaveApplication(*this);
            break;
    }
}

void DZMRewardBasedVideoAdNetworkConnector::adapterDidSetUpRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkAdapter& adapter) {
    deliver(&adapter, {Event::kSetUp, nullptr, nullptr});
}
void DZMRewardBasedVideoAdNetworkConnector::adapterDidFailToSetUpRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkAdapter& adapter, platform::ErrorRef error) {
    deliver(&adapter, {Event::kSetUpFailed, std::move(error), nullptr});
}
void DZMRewardBasedVideoAdNetworkConnector::adapterDidGetAdClick(
    DZMRewardBasedVideoAdNetworkAdapter& adapter) {
    deliver(&adapter, {Event::kClick, nullptr, nullptr});
}
void DZMRewardBasedVideoAdNetworkConnector::adapterDidReceiveRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkAdapter& adapter) {
    deliver(&adapter, {Event::kReceived, nullptr, nullptr});
}
void DZMRewardBasedVideoAdNetworkConnector::adapterDidOpenRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkAdapter& adapter) {
    deliver(&adapter, {Event::kOpen, nullptr, nullptr});
}
void DZMRewardBasedVideoAdNetworkConnector::adapterDidStartPlayingRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkAdapter& adapter) {
    deliver(&adapter, {Event::kStart, nullptr, nullptr});
}
void DZMRewardBasedVideoAdNetworkConnector::adapterDidCloseRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkAdapter& adapter) {
    deliver(&adapter, {Event::kClose, nullptr, nullptr});
}
void DZMRewardBasedVideoAdNetworkConnector::adapterDidRewardUser(DZMRewardBasedVideoAdNetworkAdapter& adapter,
                                                                 std::shared_ptr<const DZAdReward> reward) {
    deliver(&adapter, {Event::kReward, nullptr, std::move(reward)});
}
void DZMRewardBasedVideoAdNetworkConnector::adapterWillLeaveApplication(
    DZMRewardBasedVideoAdNetworkAdapter& adapter) {
    deliver(&adapter, {Event::kLeave, nullptr, nullptr});
}
void DZMRewardBasedVideoAdNetworkConnector::adapterDidFailToLoadRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkAdapter& adapter, platform::ErrorRef error) {
    deliver(&adapter, {Event::kFailed, std::move(error), nullptr});
}
