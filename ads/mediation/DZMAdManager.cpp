#include "ads/mediation/DZMAdManager.h"

#include "ads/core/DZAd.h"
#include "ads/core/DZAdMediationDelegate.h"
#include "ads/core/DZMediatedNativeAd.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZAdFormatRegistry.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/core/slot/DZSlotLoads.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/foundation/DZSlotStatistics.h"
#include "ads/foundation/DZWeakTargetAdditions.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/mediation/DZMAdNetworkConnectorBanner.h"
#include "ads/mediation/DZMAdNetworkConnectorInterstitial.h"
#include "ads/mediation/DZMAdNetworkConnectorNativeAd.h"
#include "ads/mediation/DZMConfig.h"
#include "ads/mediation/DZMPingSender.h"
#include "ads/mediation/DZMRequestCategory.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/dispatch/MainThread.h"

namespace {

std::shared_ptr<DZMAdNetworkConnectorBase> makeConnector(DZMediationConnectorKind kind,
                                                         const std::shared_ptr<DZMConfig>& config,
                                                         const std::shared_ptr<DZMAdNetworkConfig>& network) {
    switch (kind) {
        case DZMediationConnectorKind::kBanner:
            return std::make_shared<DZMAdNetworkConnectorBanner>(config, network);
        case DZMediationConnectorKind::kInterstitial:
            return std::make_shared<DZMAdNetworkConnectorInterstitial>(config, network);
        case DZMediationConnectorKind::kNative:
            return std::make_shared<DZMAdNetworkConnectorNativeAd>(config, network);
    }
    return nullptr;
}

DZRequestError::Ref asRequestError(const platform::ErrorRef& error) {
    if (auto requestError = std::dynamic_pointer_cast<const DZRequestError>(error)) return requestError;
    return DZRequestError::errorWithCodeUnderlyingError(kDZErrorInternalError, error);
}

}  // namespace

void DZMAdManager::registerFormat() {
    DZAdFormatRegistry::shared().registerResponseType(kDZAdResponseTypeMediation,
                                                      [] { return std::make_shared<DZMAdManager>(); });
}

DZMAdManager::~DZMAdManager() {
    if (adNetworkTimeoutTimer_) adNetworkTimeoutTimer_->invalidate();
    stopWaterfallTimer();
    for (const auto& connector : {requestingConnector_, receivedConnector_}) {
        if (!connector) continue;
        connector->askAdapterToStopBeingDelegate();
        connector->setAdManager({});
    }
}

// --- The slot's handling of a mediated response ---

void DZMAdManager::processResponse(DZSlot& slotRef, const std::shared_ptr<DZAd>& ad) {
    auto owner = slotRef.weak_from_this().lock();
    if (!owner || !ad) return;
    auto self = shared_from_this();
    slot_ = owner;
    const auto fail = [&](const DZRequestError::Ref& error) {
        owner->didFailToReceiveAdWithError(error, false);
    };
    // An adapter's view shows its one network's ad: a waterfall of its own could name that
    // adapter again and nest without end. The network has no ad; the waterfall outside goes on.
    if (owner->request() && DZRequestIsAnAdaptersOwn(*owner->request()))
        return fail(DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(
            kDZErrorNoFill, owner->requestParametersForError(), 0,
            std::string("An adapter's ad view takes no mediated answer.")));

    if (auto responseDelegate = owner->adResponseDelegate()) {
        platform::ErrorRef error;
        const bool process = responseDelegate->slotShouldProcessMediatedAdResponse(*owner, ad, &error);
        if (error) return fail(asRequestError(error));
        if (!process) return owner->didReceiveValidAd();
    }
    if (!ad->mediationDelegate())
        return fail(DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(
            kDZErrorMediationDataError, owner->requestParametersForError(), 0,
            std::string("Current class not set up for processing mediation.")));
    owner->willProcessMediationResponse();

    const auto body = nlohmann::json::parse(ad->adHTML().value_or(""), nullptr, false);
    DZRequestError::Ref error;
    auto config = body.is_object() ? DZMConfig::initWithAppKey(owner->adUnitID(), body, &error) : nullptr;
    if (!config) return fail(error ? error : DZRequestError::errorWithCode(kDZErrorMediationDataError));

    owner->finishedLoadingAdResponse(ad);
    if (ad->customAdSizeString())
        owner->setNewAdSize(owner->adType().isInterstitial()
                                ? platform::Size{}
                                : DZCGSizeFromAdSizeString(ad->customAdSizeString()));
    DZAdType requested = owner->adType();
    if (!requested.isInterstitial() && owner->newAdSize() != platform::Size{})
        requested = DZAdType::bannerAdTypeForSize(DZAdSizeFromCGSize(owner->newAdSize()));
    if (!config->adType().isValid()) {
        DZLogger::sharedInstance()->logPublicMessage(
            "Warning: mediated ad type is unknown or invalid. Resetting type to " + requested.description() +
            ".");
        config->setAdType(requested);
    }
    requestAdWithTypeMediationConfig(requested, config);
    if (!owner->adType().isInterstitial() && owner->state() != kDZSlotStateInvalidated) {
        owner->setReloadInterval(config->refreshInterval());
        owner->scheduleAdReloadTimer();
    }
}

void DZMAdManager::requestAdWithTypeMediationConfig(const DZAdType& type, std::shared_ptr<DZMConfig> config) {
    mediationConfiguration_ = std::move(config);
    if (hasConsistentMediationConfigForAdType(type)) {
        mediateForAdType(type, mediationConfiguration_);
    } else if (auto owner = slot()) {
        owner->scheduleAdReloadTimer();
    }
}

bool DZMAdManager::hasConsistentMediationConfigForAdType(const DZAdType& type) {
    if (!mediationConfiguration_) {
        notifyDelegateOfFailureToReceive(kDZErrorMediationDataError,
                                         "Invalid mediation configuration DZAdType: (null).");
        return false;
    }
    const DZAdType& configured = mediationConfiguration_->adType();
    std::optional<std::string> refusal;
    if (type.isInterstitial()) {
        if (!configured.isInterstitial())
            refusal = "Unable to request an interstitial when mediation configuration was for " +
                      NSStringFromDZAdSize(configured.adSize()) + ".";
    } else if (configured.isInterstitial()) {
        refusal = "Unable to request " + NSStringFromDZAdSize(type.adSize()) +
                  " when mediation configuration was for an interstitial.";
    } else if (!DZAdSizeIsValid(type.adSize())) {
        refusal = "Unable to request ad with invalid size: " + NSStringFromDZAdSize(type.adSize()) + ".";
    }
    if (!refusal) return true;
    notifyDelegateOfFailureToReceive(kDZErrorMediationInvalidAdSize, refusal);
    return false;
}

// --- The waterfall ---

void DZMAdManager::mediateForAdType(const DZAdType& type, std::shared_ptr<DZMConfig> config) {
    adType_ = type;
    config_ = std::move(config);
    if (requestInProgress_ || !config_) return;
    adNetworkConfigQueue_.assign(config_->adNetworkConfigs().begin(), config_->adNetworkConfigs().end());
    if (auto owner = slot()) owner->slotStats()->resetTimingAdapters();
    stopWaterfallTimer();
    waterfallTimer_ = dz_scheduledTimerWithTimeInterval(
        kMaxWaterfallSeconds, false, 0.01, [weak = weak_from_this()](platform::MainLoopTimer& fired) {
            if (auto self = weak.lock()) self->waterfallTimeoutHandler(fired);
        });
    if (auto owner = slot())
        DZSlotLoads::setOnlyOnClock(owner.get(), [weak = weak_from_this()] {
            const auto self = weak.lock();
            return self && self->waitsOnlyOnClock();
        });
    makeAdRequest();
}

bool DZMAdManager::waitsOnlyOnClock() const {
    return requestInProgress_ && !askingNetworks_ && requestingConnector_ &&
           requestingConnector_ != receivedConnector_ && requestingConnector_->adapterWaitsOnlyOnClock();
}

void DZMAdManager::makeAdRequest() {
    if (!platform::isMainThread()) {
        const int32_t group = pendingActionGroup_.load();
        DZRunOnMainThread([weak = weak_from_this(), group] {
            auto self = weak.lock();
            if (self && self->pendingActionGroup_.load() == group) self->makeAdRequest();
        });
        return;
    }
    if (askingNetworks_) {
        askAgain_ = true;
        return;
    }
    auto self = shared_from_this();
    askingNetworks_ = true;
    do {
        askAgain_ = false;
        askNextNetwork();
    } while (askAgain_);
    askingNetworks_ = false;
}

void DZMAdManager::askNextNetwork() {
    auto owner = slot();
    if (!owner || !config_) return;
    auto ad = owner->ad();
    auto delegate = ad ? ad->mediationDelegate() : nullptr;
    if (!delegate) {
        resetRequestingState();
        stopWaterfallTimer();
        reportNoFill();
        notifyDelegateOfFailureToReceive(kDZErrorMediationAdapterError, std::nullopt);
        return;
    }
    auto network = dequeueAdNetworkConfig();
    if (!network) {
        resetRequestingState();
        stopWaterfallTimer();
        reportNoFill();
        notifyDelegateOfFailureToReceive(kDZErrorMediationNoFill, std::nullopt);
        return;
    }
    requestInProgress_ = true;
    auto connector = makeConnector(delegate->connectorKindForAd(*ad), config_, network);
    if (auto native = std::dynamic_pointer_cast<DZMAdNetworkConnectorNativeAd>(connector))
        native->setAdLoaderConfiguration(delegate->adLoaderConfigurationForAd(*ad));
    connector->setUpAdapter();
    connector->setAdManager(weak_from_this());
    requestingConnector_ = connector;

    if (adNetworkTimeoutTimer_) adNetworkTimeoutTimer_->invalidate();
    adNetworkTimeoutTimer_ = dz_scheduledTimerWithTimeInterval(
        config_->adNetworkTimeout(), false, 0.01, [weak = weak_from_this()](platform::MainLoopTimer& fired) {
            if (auto self = weak.lock()) self->adNetworkTimeoutHandler(fired);
        });
    DZSlotLoads::slotWorks(owner.get());
    connector->getAdFromAdapterWithType(adType_);
}

std::shared_ptr<DZMAdNetworkConfig> DZMAdManager::dequeueAdNetworkConfig() {
    auto owner = slot();
    while (!adNetworkConfigQueue_.empty()) {
        auto network = std::move(adNetworkConfigQueue_.front());
        adNetworkConfigQueue_.pop_front();
        if (owner) owner->slotStats()->startTimingAdapter();
        if (network && network->adapterClass()) return network;
        endTimingAdapter(4);
    }
    return nullptr;
}

void DZMAdManager::adNetworkTimeoutHandler(platform::MainLoopTimer& fired) {
    if (adNetworkTimeoutTimer_.get() != &fired) return;
    auto self = shared_from_this();
    timeOutAskedNetwork();
}

void DZMAdManager::timeOutAskedNetwork() {
    auto connector = requestingConnector_;
    endTimingAdapter(3);
    resetRequestingState();
    if (connector) {
        connector->askAdapterToStopBeingDelegate();
        if (connector != receivedConnector_) detach(connector);
    }
    requestingConnector_.reset();
    makeAdRequest();
}

void DZMAdManager::waterfallTimeoutHandler(platform::MainLoopTimer& fired) {
    if (waterfallTimer_.get() != &fired) return;
    waterfallTimer_.reset();
    DZLogText("Mediation: the waterfall ran " + std::to_string(static_cast<int>(kMaxWaterfallSeconds)) +
              " s without an ad; it ends in no fill.");
    // The networks not yet asked never are; the one being asked times out, and the empty list
    // ends the waterfall as usual.
    adNetworkConfigQueue_.clear();
    if (requestingConnector_ && requestingConnector_ != receivedConnector_) {
        auto self = shared_from_this();
        timeOutAskedNetwork();
    }
}

void DZMAdManager::stopWaterfallTimer() {
    if (waterfallTimer_) waterfallTimer_->invalidate();
    waterfallTimer_.reset();
}

bool DZMAdManager::shouldProcessResponseFromConnector(const DZMAdNetworkConnectorBase& connector) {
    // Only the network being asked ends the running time-out: a stray answer leaves it running.
    if (&connector == requestingConnector_.get()) {
        resetRequestingState();
        return true;
    }
    return &connector == receivedConnector_.get();
}

bool DZMAdManager::adRequestReturnsFromConnectorWithView(DZMAdNetworkConnectorBase& connector,
                                                         const std::shared_ptr<platform::ui::View>& view) {
    auto self = shared_from_this();
    auto caller = connector.shared_from_this();
    // A shown banner's network refreshing itself leaves a waterfall under way running.
    const bool asked = caller == requestingConnector_;
    if (!shouldProcessResponseFromConnector(connector)) return false;
    auto owner = slot();
    endTimingAdapter(0);
    if (asked) stopWaterfallTimer();
    if (caller != receivedConnector_) {
        if (receivedConnector_ && receivedConnector_ != requestingConnector_) detach(receivedConnector_);
        receivedConnector_ = caller;
    }
    if (!owner) return true;
    owner->setViewForAdUsingView(view);
    owner->didReceiveValidAd();
    owner->adFinishedLoadingContent();
    return true;
}

bool DZMAdManager::adRequestReturnsFromConnectorWithInterstitial(DZMAdNetworkConnectorBase& connector) {
    auto self = shared_from_this();
    auto caller = connector.shared_from_this();
    if (caller == receivedConnector_) {
        DZLogText("Mediation: the interstitial network delivered again; ignored.");
        return false;
    }
    if (!shouldProcessResponseFromConnector(connector)) return false;
    auto owner = slot();
    endTimingAdapter(0);
    stopWaterfallTimer();
    if (receivedConnector_) detach(receivedConnector_);
    receivedConnector_ = caller;
    requestingConnector_.reset();
    if (!owner) return true;
    owner->didReceiveValidAd();
    owner->adFinishedLoadingContent();
    return true;
}

bool DZMAdManager::adRequestReturnsFromConnectorWithMediatedAd(
    DZMAdNetworkConnectorBase& connector, const std::shared_ptr<DZMediatedNativeAd>& nativeAd) {
    auto self = shared_from_this();
    auto caller = connector.shared_from_this();
    if (receivedConnector_ || caller != requestingConnector_) {
        DZLogText("Mediation: a native ad arrived out of turn; dropped.");
        return false;
    }
    shouldProcessResponseFromConnector(connector);
    auto owner = slot();
    auto ad = owner ? owner->ad() : nullptr;
    auto delegate = ad ? ad->mediationDelegate() : nullptr;
    const std::weak_ptr<DZMAdNetworkConnectorBase> weakCaller = caller;
    nativeAd->setClickHandler([weakCaller] {
        if (auto c = weakCaller.lock()) c->reportClick();
    });
    nativeAd->setImpressionHandler([weakCaller] {
        if (auto c = weakCaller.lock()) c->reportImpression();
    });
    const auto completion = [weak = weak_from_this(), weakCaller](platform::ErrorRef error) {
        auto manager = weak.lock();
        auto delivering = weakCaller.lock();
        // Cancelled or timed out meanwhile: nobody waits for it any more.
        if (!manager || !delivering || delivering != manager->requestingConnector_) return;
        if (error) {
            manager->endTimingAdapter(2);
            manager->requestingConnector_.reset();
            detach(delivering);
            manager->makeAdRequest();
            return;
        }
        manager->endTimingAdapter(0);
        manager->stopWaterfallTimer();
        manager->receivedConnector_ = delivering;
        manager->requestingConnector_.reset();
        if (auto target = manager->slot()) {
            target->didReceiveValidAd();
            target->adFinishedLoadingContent();
        }
    };
    if (!delegate || !delegate->processMediatedAd(ad, nativeAd, completion))
        completion(DZRequestError::errorWithCodeCustomMessage(
            kDZErrorMediationAdapterError, std::string("Nobody takes mediated native ads.")));
    return true;
}

void DZMAdManager::adRequestFailedFromConnectorWithError(DZMAdNetworkConnectorBase& connector,
                                                         platform::ErrorRef error) {
    auto self = shared_from_this();
    auto caller = connector.shared_from_this();
    const bool requesting = caller == requestingConnector_;
    const bool received = caller == receivedConnector_;
    if (!requesting && !received) return;
    const bool refreshed = connector.didNetworkRefresh();
    // A banner network failing on its own refresh ends the waterfall; any other delivered ad's
    // network has nothing more to fail.
    const bool bannerRefresh = !adType_.isInterstitial() && refreshed &&
                               dynamic_cast<DZMAdNetworkConnectorBanner*>(&connector) != nullptr;
    if (received && !bannerRefresh) {
        DZLogText("Mediation: a delivered ad's network failed late; ignored.");
        return;
    }
    if (requesting) {
        resetRequestingState();
        if (requestingConnector_ != receivedConnector_) detach(requestingConnector_);
        requestingConnector_.reset();
    }
    if (bannerRefresh) {
        auto failure = DZRequestError::errorWithCodeCustomMessage(
            kDZErrorServerError, error ? error->localizedDescription() : std::string());
        if (auto owner = slot()) {
            owner->mediatedAdNetworkAutoRefreshed();
            owner->adFailedToReceiveContentWithError(failure);
        }
        return;
    }
    updateAdapterTimingsForError(error);
    makeAdRequest();
}

// --- Reports and failures ---

void DZMAdManager::endTimingAdapter(long exitCode) {
    if (auto owner = slot()) owner->slotStats()->endTimingAdapterWithExitCode(exitCode);
}

void DZMAdManager::updateAdapterTimingsForError(const platform::ErrorRef& error) {
    const bool noFill =
        error && error->domain() == DZRequestError::kDomain && error->code() == kDZErrorNoFill;
    endTimingAdapter(noFill ? 1 : 2);
}

void DZMAdManager::reportNoFill() {
    auto owner = slot();
    if (!owner || !config_) return;
    const auto& stats = owner->slotStats();
    const std::string durations = stats->adapterDurationsParameter().value_or("");
    const std::string exitCodes = stats->adapterExitCodesParameter().value_or("");
    stats->resetTimingAdapters();
    DZMPingSender::send({DZMPingSender::joinedTemplates(config_->noFillURLs(), std::nullopt),
                         DZMPingSender::defaultNoFillTemplate(), "", "", config_->qdata(),
                         config_->appKey().value_or(""), false, durations, exitCodes});
}

void DZMAdManager::notifyDelegateOfFailureToReceive(int32_t code, const std::optional<std::string>& message) {
    auto owner = slot();
    if (!owner) return;
    owner->didFailToReceiveAdWithError(DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(
                                           code, owner->requestParametersForError(), 0, message),
                                       false);
}

// --- Control ---

void DZMAdManager::cancelPendingActions() {
    ++pendingActionGroup_;
    if (adNetworkTimeoutTimer_) adNetworkTimeoutTimer_->invalidate();
    adNetworkTimeoutTimer_.reset();
}

void DZMAdManager::resetRequestingState() {
    if (adNetworkTimeoutTimer_) adNetworkTimeoutTimer_->invalidate();
    adNetworkTimeoutTimer_.reset();
    requestInProgress_ = false;
}

void DZMAdManager::detach(const std::shared_ptr<DZMAdNetworkConnectorBase>& connector) {
    if (!connector) return;
    if (auto manager = std::dynamic_pointer_cast<DZMAdManager>(connector->adManager()))
        manager->cancelPendingActions();
    connector->setAdManager({});
}

void DZMAdManager::cancel() {
    auto self = shared_from_this();
    cancelPendingActions();
    askAgain_ = false;
    adNetworkConfigQueue_.clear();
    const auto requesting = std::move(requestingConnector_);
    const auto received = std::move(receivedConnector_);
    requestingConnector_.reset();
    receivedConnector_.reset();
    for (const auto& connector : {requesting, received}) {
        if (!connector) continue;
        connector->askAdapterToStopBeingDelegate();
        connector->setAdManager({});
    }
    resetRequestingState();
    stopWaterfallTimer();
}

bool DZMAdManager::changeAdTypeTo(const DZAdType& type) {
    adType_ = type;
    const auto adapter = receivedConnector_ ? receivedConnector_->adapter() : nullptr;
    if (!adapter) return false;
    try {
        return adapter->changeAdSizeTo(type.adSize());
    } catch (...) {
        return false;
    }
}

std::optional<std::string> DZMAdManager::adNetworkClassName() const {
    if (!receivedConnector_) return std::nullopt;
    return receivedConnector_->adapterClassName();
}

void DZMAdManager::presentInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& rootViewController) {
    const auto adapter = receivedConnector_ ? receivedConnector_->adapter() : nullptr;
    if (!adapter) return;
    auto self = shared_from_this();
    try {
        adapter->presentInterstitialFromRootViewController(rootViewController);
    } catch (...) {
        DZLogText("Mediation: the interstitial network failed to present.");
    }
}
