#include "ads/formats/reward/DZRewardWaterfall.h"

#include <algorithm>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdResponseHeaders.h"
#include "ads/core/DZAdReward.h"
#include "ads/core/DZRequest.h"
#include "ads/formats/reward/DZRewardBasedVideoAd.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZWeakTargetAdditions.h"
#include "ads/mediation/DZMAdManager.h"
#include "ads/mediation/DZMConfig.h"
#include "ads/mediation/DZMPingSender.h"
#include "ads/mediation/DZMRewardBasedVideoAdNetworkConnector.h"
#include "platform/dispatch/MainThread.h"

namespace {
const char* const kInvalidResponse = "Invalid server response.";
}  // namespace

DZRewardWaterfall::DZRewardWaterfall(std::weak_ptr<DZRewardBasedVideoAd> ad) : ad_(std::move(ad)) {}

DZRewardWaterfall::~DZRewardWaterfall() {
    if (timeout_) timeout_->invalidate();
    stopLoadTimeout();
}

std::optional<nlohmann::json> DZRewardWaterfall::parseJSONResponseFromAd(
    const DZAd& ad, const nlohmann::json& requestParameters, DZRequestError::Ref* error) {
    const auto headers = DZAdResponseHeaders::lowerCased(ad.responseHeaders());
    if (DZAdResponseHeaders::adResponseTypeFromHeaders(headers, requestParameters, nullptr) !=
        kDZAdResponseTypeMediation) {
        *error = DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(
            kDZErrorReceivedInvalidResponse, requestParameters, 0, std::string(kInvalidResponse));
        return std::nullopt;
    }
    auto body = nlohmann::json::parse(ad.adHTML().value_or(""), nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        *error = DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(
            body.is_discarded() ? kDZErrorMediationDataError : kDZErrorReceivedInvalidResponse,
            requestParameters, 0, std::string(kInvalidResponse));
        return std::nullopt;
    }
    return body;
}

void DZRewardWaterfall::processMediationAd(const std::shared_ptr<DZAd>& ad,
                                           const std::shared_ptr<DZRequest>& request,
                                           const std::optional<std::string>& userID) {
    ASSERT_MAIN_THREAD();
    auto hold = shared_from_this();
    active_ = true;
    request_ = request;
    userID_ = userID;
    stopLoadTimeout();
    std::weak_ptr<DZRewardWaterfall> weak = weak_from_this();
    loadTimeout_ = dz_scheduledTimerWithTimeInterval(DZMAdManager::kMaxWaterfallSeconds, false, 0,
                                                     [weak](platform::MainLoopTimer&) {
                                                         if (auto self = weak.lock()) self->loadTimedOut();
                                                     });
    const nlohmann::json parameters = request ? request->copy()->parameters() : nlohmann::json();
    DZRequestError::Ref error;
    const auto body = ad ? parseJSONResponseFromAd(*ad, parameters, &error) : std::nullopt;
    if (!body) {
        if (!error) error = DZRequestError::errorWithCodeRequest(kDZErrorReceivedInvalidResponse, parameters);
        return failLoad(error->code(), error->localizedDescription());
    }
    mediationConfig_ = DZMConfig::initWithAppKey(std::nullopt, *body, &error);
    if (error) return failLoad(error->code(), error->localizedDescription());
    if (!mediationConfig_) return failLoad(kDZErrorMediationDataError, "Failed to parse mediation config.");
    if (!mediationConfig_->adType().isInterstitial())
        return failLoad(kDZErrorMediationDataError, "Invalid mediation adtype returned.");
    setUpAdapters();
    buildPendingAdRequestConnectorsList();
    makeNextAdRequest();
}

void DZRewardWaterfall::removeStaleConnectors() {
    const std::uint64_t now = DZAbsoluteTime::absoluteTimeInMilliseconds();
    const auto limit = static_cast<std::uint64_t>(mediationConfig_->adNetworkTimeout() * 1000);
    for (auto it = pendingSetUpTimestamp_.begin(); it != pendingSetUpTimestamp_.end();) {
        if (now - it->second <= limit) {
            ++it;
            continue;
        }
        if (auto found = connectors_.find(it->first); found != connectors_.end()) {
            found->second->askAdapterToStopBeingDelegate();
            found->second->setDelegate({});
            connectors_.erase(found);
        }
        it = pendingSetUpTimestamp_.erase(it);
    }
}

void DZRewardWaterfall::setUpAdapters() {
    removeStaleConnectors();
    for (const auto& network : mediationConfig_->adNetworkConfigs()) {
        if (!network || !network->adapterClass()) continue;
        const std::string& name = *network->adapterClass();
        if (connectors_.count(name)) continue;
        auto connector = DZMRewardBasedVideoAdNetworkConnector::create();
        connector->setAdNetworkConfig(network);
        connector->setMediationConfig(mediationConfig_);
        connector->setDelegate(weak_from_this());
        connectors_[name] = connector;
        pendingSetUpTimestamp_[name] = DZAbsoluteTime::absoluteTimeInMilliseconds();
        connector->setRequest(request_);
        connector->setUpAdapterWithUserID(userID_);
    }
}

void DZRewardWaterfall::buildPendingAdRequestConnectorsList() {
    pending_.clear();
    for (const auto& network : mediationConfig_->adNetworkConfigs()) {
        if (!network || !network->adapterClass()) continue;
        if (auto found = connectors_.find(*network->adapterClass()); found != connectors_.end())
            pending_.push_back({found->second, network});
    }
}

void DZRewardWaterfall::makeNextAdRequest() {
    received_.reset();
    if (timeout_) timeout_->invalidate();
    timeout_.reset();
    if (pending_.empty()) {
        pingNoFillURLs();
        return failLoad(kDZErrorMediationNoFill, "No ad returned from any ad server.");
    }
    requesting_ = pending_.front();
    pending_.erase(pending_.begin());
    const std::uint64_t number = ++requestNumber_;
    std::weak_ptr<DZRewardWaterfall> weak = weak_from_this();
    timeout_ = dz_scheduledTimerWithTimeInterval(mediationConfig_->adNetworkTimeout(), false, 0,
                                                 [weak, number](platform::MainLoopTimer&) {
                                                     if (auto self = weak.lock())
                                                         self->requestTimedOut(number);
                                                 });
    if (!isSetUpPending(requesting_.connector->adapterClassName())) requestAdFromConnector(requesting_);
}

void DZRewardWaterfall::requestAdFromConnector(const Turn& turn) {
    // The connector may serve another entry of its class than the one it was made with.
    turn.connector->setAdNetworkConfig(turn.network);
    turn.connector->setMediationConfig(mediationConfig_);
    turn.connector->setRequest(request_);
    turn.connector->requestRewardBasedVideoAd();
}

void DZRewardWaterfall::requestTimedOut(std::uint64_t number) {
    if (!active_ || number != requestNumber_ || !requesting_.connector) return;
    moveOn();
}

void DZRewardWaterfall::loadTimedOut() {
    loadTimeout_.reset();
    if (!active_) return;
    DZLogText("Mediation: the reward-based video waterfall ran " +
              std::to_string(static_cast<int>(DZMAdManager::kMaxWaterfallSeconds)) +
              " s without an ad; it ends in no fill.");
    pending_.clear();
    moveOn();
}

void DZRewardWaterfall::stopLoadTimeout() {
    if (loadTimeout_) loadTimeout_->invalidate();
    loadTimeout_.reset();
}

void DZRewardWaterfall::moveOn() {
    requesting_ = {};
    makeNextAdRequest();
}

void DZRewardWaterfall::failLoad(int32_t code, const std::string& message) {
    active_ = false;
    requesting_ = {};
    pending_.clear();
    if (timeout_) timeout_->invalidate();
    timeout_.reset();
    stopLoadTimeout();
    auto ad = ad_.lock();
    if (!ad) return;
    const nlohmann::json parameters = request_ ? request_->copy()->parameters() : nlohmann::json();
    ad->failedToLoadAdWithError(
        DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(code, parameters, 0, message));
}

void DZRewardWaterfall::cancel() {
    active_ = false;
    requesting_ = {};
    pending_.clear();
    received_.reset();
    if (timeout_) timeout_->invalidate();
    timeout_.reset();
    stopLoadTimeout();
}

bool DZRewardWaterfall::presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& root) {
    ASSERT_MAIN_THREAD();
    if (!received_) return false;
    auto hold = shared_from_this();
    auto connector = received_;
    pingConfigURLs(mediationConfig_, mediationConfig_->impressionURLs(),
                   DZMPingSender::defaultImpressionTemplate());
    if (std::find(shown_.begin(), shown_.end(), connector) == shown_.end()) shown_.push_back(connector);
    connector->presentRewardBasedVideoAdFromRootViewController(root, weak_from_this());
    return true;
}

// --- Pings ---

void DZRewardWaterfall::pingConfigURLs(const std::shared_ptr<DZMConfig>& config,
                                       const std::optional<std::vector<std::string>>& templates,
                                       const std::string& defaultTemplate) const {
    DZMPing ping;
    ping.templates = DZMPingSender::joinedTemplates(templates, std::nullopt);
    ping.defaultTemplate = defaultTemplate;
    ping.qdata = config ? config->qdata() : std::nullopt;
    DZMPingSender::send(ping);
}

void DZRewardWaterfall::pingNoFillURLs() const {
    pingConfigURLs(mediationConfig_, mediationConfig_->noFillURLs(), DZMPingSender::defaultNoFillTemplate());
}

// --- The connectors' reports ---

void DZRewardWaterfall::connectorDidSetUpRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkConnector& connector) {
    pendingSetUpTimestamp_.erase(connector.adapterClassName());
    if (active_ && isRequesting(connector)) requestAdFromConnector(requesting_);
}

void DZRewardWaterfall::connectorDidFailToSetUpRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkConnector& connector, platform::ErrorRef) {
    auto hold = connector.shared_from_this();
    const std::string name = connector.adapterClassName();
    pendingSetUpTimestamp_.erase(name);
    if (auto found = connectors_.find(name); found != connectors_.end() && found->second.get() == &connector)
        connectors_.erase(found);
    // Its later turns in this load are skipped too: it has nothing to ask.
    std::erase_if(pending_, [&](const Turn& turn) { return turn.connector.get() == &connector; });
    if (active_ && isRequesting(connector)) moveOn();
}

void DZRewardWaterfall::connectorDidReceiveRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkConnector& connector) {
    if (!active_ || received_ || !isRequesting(connector)) return;
    received_ = requesting_.connector;
    requesting_ = {};
    pending_.clear();
    active_ = false;
    if (timeout_) timeout_->invalidate();
    timeout_.reset();
    stopLoadTimeout();
    if (auto ad = ad_.lock()) ad->adLoadedSuccessfully();
}

void DZRewardWaterfall::connectorDidFailToReceiveRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkConnector& connector, platform::ErrorRef) {
    if (active_ && isRequesting(connector)) moveOn();
}

void DZRewardWaterfall::connectorDidReceiveClick(DZMRewardBasedVideoAdNetworkConnector& connector) {
    const auto& config = connector.eventMediationConfig();
    if (config) pingConfigURLs(config, config->clickURLs(), DZMPingSender::defaultClickTemplate());
}

void DZRewardWaterfall::connectorDidRewardUser(DZMRewardBasedVideoAdNetworkConnector& connector,
                                               const std::shared_ptr<const DZAdReward>& reward) {
    auto ad = ad_.lock();
    if (!ad) return;
    // The server's reward wins when its first entry makes one; the adapter's otherwise.
    std::shared_ptr<const DZAdReward> given;
    const auto& config = connector.eventMediationConfig();
    if (config && config->rewards() && config->rewards()->is_array() && !config->rewards()->empty()) {
        given = DZAdReward::initWithRewardDictionary(config->rewards()->front());
        if (!given)
            DZLogText(
                "Mediation: the server's reward was refused: its type or amount is not one a reward can "
                "have; the network's reward is used instead, if it has one");
    } else if (config && config->rewardsNotAList()) {
        DZLogText(
            "Mediation: the server's reward was refused: its \"rewards\" is not a list; the network's "
            "reward is used instead, if it has one");
    }
    // The adapter relays its network's reward: held to what the server's must be.
    if (!given && reward) {
        if (DZAdReward::isAcceptable(reward->type(), reward->amount())) {
            given = reward;
        } else {
            DZLogText(
                "Mediation: the reward an adapter reported was refused: its type or amount is not one a "
                "reward can have");
        }
    }
    if (given) ad->reportReward(given);
}

void DZRewardWaterfall::connectorDidOpenRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector&) {
    if (auto ad = ad_.lock()) ad->reportOpen();
}

void DZRewardWaterfall::connectorDidStartPlayingRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector&) {
    if (auto ad = ad_.lock()) ad->reportStartPlaying();
}

void DZRewardWaterfall::connectorDidCloseRewardBasedVideoAd(
    DZMRewardBasedVideoAdNetworkConnector& connector) {
    auto hold = connector.shared_from_this();
    std::erase_if(shown_, [&](const auto& shown) { return shown.get() == &connector; });
    if (auto ad = ad_.lock()) ad->reportClose();
}

void DZRewardWaterfall::connectorWillLeaveApplication(DZMRewardBasedVideoAdNetworkConnector&) {
    if (auto ad = ad_.lock()) ad->reportWillLeaveApplication();
}
