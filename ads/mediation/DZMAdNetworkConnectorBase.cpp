#include "ads/mediation/DZMAdNetworkConnectorBase.h"

#include <tuple>

#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/foundation/DZSlotStatistics.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/mediation/DZMConfig.h"
#include "ads/mediation/DZMConnectorDelegate.h"
#include "ads/mediation/DZMPingSender.h"
#include "ads/mediation/DZMRequestFacts.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZOpener.h"
#include "platform/dispatch/MainThread.h"
#include "platform/foundation/ClassRegistry.h"
#include "platform/ui/NotificationCenter.h"

DZMAdNetworkConnectorBase::DZMAdNetworkConnectorBase(std::shared_ptr<DZMConfig> config,
                                                     std::shared_ptr<DZMAdNetworkConfig> network)
    : mediationConfig_(std::move(config)), networkConfig_(std::move(network)) {
    if (!networkConfig_) return;
    adapterClassName_ = networkConfig_->adapterClass().value_or("");
    std::tie(strippedCredentials_, isLocationShared_) =
        DZMRequestFacts::splitCredentials(networkConfig_->credentials());
}

DZMAdNetworkConnectorBase::~DZMAdNetworkConnectorBase() {
    if (adapter_ && !stopped_) {
        try {
            adapter_->stopBeingDelegate();
        } catch (...) {
        }
    }
}

bool DZMAdNetworkConnectorBase::setUpAdapter() {
    if (adapter_) return true;
    // Only a banner, interstitial or native adapter answers this interface: a reward-based video
    // adapter, which the configuration may still choose, is another object altogether.
    if (adapterClassName_.empty() ||
        !platform::ClassRegistry::shared().conformsTo(adapterClassName_, DZMAdNetworkAdapter::kAdapterKind))
        return false;
    try {
        adapter_ = std::static_pointer_cast<DZMAdNetworkAdapter>(
            platform::ClassRegistry::shared().create(adapterClassName_));
        if (adapter_) adapter_->setConnector(weak_from_this());
    } catch (...) {
        adapter_.reset();
    }
    return adapter_ != nullptr;
}

void DZMAdNetworkConnectorBase::getAdFromAdapterWithType(const DZAdType& type) {
    auto hold = shared_from_this();
    if (!adapter_ && !setUpAdapter()) {
        failOwnRequest("Cannot make the ad network adapter " + adapterClassName_ + ".");
        return;
    }
    requestAd(type);
}

void DZMAdNetworkConnectorBase::requestAd(const DZAdType&) {
    failOwnRequest("Instantiated connector DZMAdNetworkConnector can't request an ad.");
}

void DZMAdNetworkConnectorBase::askAdapterToStopBeingDelegate() {
    if (stopped_) return;
    stopped_ = true;
    if (adapter_) {
        try {
            adapter_->stopBeingDelegate();
        } catch (...) {
            DZLog("Adapter %s failed to stop being a delegate.", adapterClassName_.c_str());
        }
    }
}

bool DZMAdNetworkConnectorBase::adapterWaitsOnlyOnClock() const {
    if (stopped_ || !adapter_) return false;
    try {
        return adapter_->waitsOnlyOnClock();
    } catch (...) {
        return false;
    }
}

std::string DZMAdNetworkConnectorBase::adapterVersion() const {
    std::string version = "unknown";
    if (adapter_) {
        try {
            version = adapter_->adapterVersion();
        } catch (...) {
        }
    }
    return "adapter: " + adapterClassName_ + ", version: " + version;
}

std::shared_ptr<DZSlot> DZMAdNetworkConnectorBase::slot() const {
    auto manager = adManager();
    return manager ? manager->slot() : nullptr;
}

std::shared_ptr<DZRequest> DZMAdNetworkConnectorBase::slotRequest() const {
    auto owner = slot();
    return owner ? owner->request() : nullptr;
}

void DZMAdNetworkConnectorBase::failOwnRequest(const std::string& message) {
    take(adapter_.get(),
         {Event::kFail, DZRequestError::errorWithCodeCustomMessage(kDZErrorInternalError, message), {}, {}});
}

// --- Pings ---

void DZMAdNetworkConnectorBase::reportClick() {
    if (clicked_ || !adManager() || !networkConfig_ || !mediationConfig_) return;
    clicked_ = true;
    DZMPingSender::send(
        {DZMPingSender::joinedTemplates(mediationConfig_->clickURLs(), networkConfig_->clickURLs()),
         DZMPingSender::defaultClickTemplate(), networkConfig_->networkID(),
         networkConfig_->allocationID().value_or(""), mediationConfig_->qdata(),
         mediationConfig_->appKey().value_or(""), didNetworkRefresh_, "", ""});
}

void DZMAdNetworkConnectorBase::reportImpression() {
    auto owner = slot();
    if (!owner || !networkConfig_ || !mediationConfig_) return;
    const auto& stats = owner->slotStats();
    const std::string durations = stats->adapterDurationsParameter().value_or("");
    const std::string exitCodes = stats->adapterExitCodesParameter().value_or("");
    stats->resetTimingAdapters();
    DZMPingSender::send(
        {DZMPingSender::joinedTemplates(mediationConfig_->impressionURLs(), networkConfig_->impressionURLs()),
         DZMPingSender::defaultImpressionTemplate(), networkConfig_->networkID(),
         networkConfig_->allocationID().value_or(""), mediationConfig_->qdata(),
         mediationConfig_->appKey().value_or(""), didNetworkRefresh_, durations, exitCodes});
}

// --- Questions ---

std::optional<std::string> DZMAdNetworkConnectorBase::publisherId() const {
    return networkConfig_ ? networkConfig_->publisherID() : std::nullopt;
}

DZMRequestFacts DZMAdNetworkConnectorBase::facts() const {
    return {slotRequest(), isLocationShared_};
}

std::shared_ptr<DZAdNetworkExtras> DZMAdNetworkConnectorBase::networkExtras() const {
    return facts().networkExtras(adapterClassName_, adapter_.get());
}

std::shared_ptr<platform::ui::ViewController>
DZMAdNetworkConnectorBase::viewControllerForPresentingModalView() const {
    auto owner = slot();
    return owner ? owner->viewControllerForPresentingModalView() : nullptr;
}

std::optional<std::string> DZMAdNetworkConnectorBase::requestAgent() const {
    auto request = slotRequest();
    return request ? request->requestAgent() : std::nullopt;
}

bool DZMAdNetworkConnectorBase::isAutoClickProtected() const {
    // A connector that no longer knows its slot cannot tell: protected.
    auto owner = slot();
    return !owner || owner->isAutoClickProtected();
}

// --- Callbacks ---

void DZMAdNetworkConnectorBase::deliver(DZMAdNetworkAdapter& adapter, Callback callback) {
    if (platform::isMainThread()) {
        take(&adapter, callback);
        return;
    }
    // Only compared, never followed: the own adapter lives as long as the connector.
    const DZMAdNetworkAdapter* sender = &adapter;
    DZRunOnMainThread([self = shared_from_this(), sender, callback = std::move(callback)] {
        self->take(sender, callback);
    });
}

void DZMAdNetworkConnectorBase::take(const DZMAdNetworkAdapter* sender, const Callback& callback) {
    if (stopped_) return;
    if (sender != adapter_.get() && callback.event != Event::kNativeAd) return;
    auto hold = shared_from_this();
    handle(callback);
}

void DZMAdNetworkConnectorBase::handle(const Callback& callback) {
    if (callback.event == Event::kClick) reportClick();
}

void DZMAdNetworkConnectorBase::leaveApplicationForClick() {
    if (auto owner = slot()) {
        owner->adWillLeaveApplication();
        owner->willLeaveAppDueToClick();
    }
    reportClick();
}

void DZMAdNetworkConnectorBase::postNotification(const char* name) const {
    platform::ui::NotificationCenter::defaultCenter().post(name);
}

void DZMAdNetworkConnectorBase::adapterDidFailAd(DZMAdNetworkAdapter& adapter, platform::ErrorRef error) {
    deliver(adapter, {Event::kFail, std::move(error), {}, {}});
}
void DZMAdNetworkConnectorBase::adapterDidReceiveAdView(DZMAdNetworkAdapter& adapter,
                                                        std::shared_ptr<platform::ui::View> view) {
    deliver(adapter, {Event::kAdView, {}, std::move(view), {}});
}
void DZMAdNetworkConnectorBase::adapterDidReceiveInterstitial(DZMAdNetworkAdapter& adapter) {
    deliver(adapter, {Event::kInterstitial, {}, {}, {}});
}
void DZMAdNetworkConnectorBase::adapterDidReceiveMediatedNativeAd(DZMAdNetworkAdapter& adapter,
                                                                  std::shared_ptr<DZMediatedAd> ad) {
    deliver(adapter, {Event::kNativeAd, {}, {}, std::move(ad)});
}
void DZMAdNetworkConnectorBase::adapterDidGetAdClick(DZMAdNetworkAdapter& adapter) {
    deliver(adapter, {Event::kClick, {}, {}, {}});
}
void DZMAdNetworkConnectorBase::adapterWillLeaveApplication(DZMAdNetworkAdapter& adapter) {
    deliver(adapter, {Event::kLeaveApplication, {}, {}, {}});
}
void DZMAdNetworkConnectorBase::adapterWillPresentFullScreenModal(DZMAdNetworkAdapter& adapter) {
    deliver(adapter, {Event::kWillPresentModal, {}, {}, {}});
}
void DZMAdNetworkConnectorBase::adapterWillDismissFullScreenModal(DZMAdNetworkAdapter& adapter) {
    deliver(adapter, {Event::kWillDismissModal, {}, {}, {}});
}
void DZMAdNetworkConnectorBase::adapterDidDismissFullScreenModal(DZMAdNetworkAdapter& adapter) {
    deliver(adapter, {Event::kDidDismissModal, {}, {}, {}});
}
void DZMAdNetworkConnectorBase::adapterWillPresentInterstitial(DZMAdNetworkAdapter& adapter) {
    deliver(adapter, {Event::kWillPresentInterstitial, {}, {}, {}});
}
void DZMAdNetworkConnectorBase::adapterWillDismissInterstitial(DZMAdNetworkAdapter& adapter) {
    deliver(adapter, {Event::kWillDismissInterstitial, {}, {}, {}});
}
void DZMAdNetworkConnectorBase::adapterDidDismissInterstitial(DZMAdNetworkAdapter& adapter) {
    deliver(adapter, {Event::kDidDismissInterstitial, {}, {}, {}});
}
