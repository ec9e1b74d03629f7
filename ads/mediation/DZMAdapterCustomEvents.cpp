#include "ads/mediation/DZMAdapterCustomEvents.h"

#include <exception>

#include "ads/core/DZRequest.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/mediation/DZCustomEventExtras.h"
#include "ads/mediation/DZCustomEventRequest.h"
#include "ads/mediation/DZMAdNetworkConnector.h"
#include "ads/mediation/DZMAdapterError.h"
#include "ads/mediation/DZMAdapterRegistration.h"
#include "platform/foundation/ClassRegistry.h"

namespace {

bool isRegisteredCustomEvent(const std::string& name) {
    const auto& registry = platform::ClassRegistry::shared();
    return registry.conformsTo(name, DZCustomEvent::kBannerKind) ||
           registry.conformsTo(name, DZCustomEvent::kInterstitialKind) ||
           registry.conformsTo(name, DZCustomEvent::kNativeAdKind);
}

}  // namespace

void DZMAdapterCustomEvents::registerClass() {
    dz_registerAdapterClass<DZMAdapterCustomEvents>(kClassName);
}

DZMAdapterCustomEvents::~DZMAdapterCustomEvents() {
    stopBeingDelegate();
}

std::string DZMAdapterCustomEvents::adapterVersion() const {
    return DZRequest::sdkVersion();
}

std::optional<std::string> DZMAdapterCustomEvents::networkExtrasClass() const {
    return DZCustomEventExtras::kClassName;
}

std::shared_ptr<DZMAdNetworkConnector> DZMAdapterCustomEvents::liveConnector() const {
    return stopped_ ? nullptr : connector();
}

std::optional<std::string> DZMAdapterCustomEvents::credential(const char* key) const {
    auto connector = this->connector();
    if (!connector) return std::nullopt;
    const auto credentials = connector->credentials();
    if (!credentials.is_object()) return std::nullopt;
    auto it = credentials.find(key);
    if (it == credentials.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

void DZMAdapterCustomEvents::fail(const std::string& message, bool logged) {
    auto self = shared_from_this();
    if (auto connector = liveConnector())
        connector->adapterDidFailAd(*this, dz_adapterError(kErrorDomain, kFailureCode, message));
    if (logged) DZLogger::sharedInstance()->logPublicMessage(message);
}

template <class Event>
std::shared_ptr<Event> DZMAdapterCustomEvents::customEventOfKind(const std::string& kind,
                                                                 const std::string& refusal) {
    const auto className = credential("class_name");
    if (!className) {
        fail("No class name for the Custom Event.", false);
        return nullptr;
    }
    std::shared_ptr<void> made;
    if (isRegisteredCustomEvent(*className)) {
        try {
            made = platform::ClassRegistry::shared().create(*className);
        } catch (const std::exception& e) {
            DZLog("Custom Event class %s could not be made: %s", className->c_str(), e.what());
        }
    }
    if (!made) {
        fail("Cannot find Custom Event class named " + dz_loggableText(*className) + ".", true);
        return nullptr;
    }
    // The factory of a registered custom event gives a DZCustomEvent.
    auto event = std::dynamic_pointer_cast<Event>(std::static_pointer_cast<DZCustomEvent>(made));
    if (!event || !platform::ClassRegistry::shared().conformsTo(*className, kind)) {
        fail(refusal, true);
        return nullptr;
    }
    return event;
}

void DZMAdapterCustomEvents::callCustomEvent(const std::string& className,
                                             const std::function<void()>& call) {
    try {
        call();
    } catch (...) {
        const std::string message =
            "Custom Event class " + dz_loggableText(className) + " failed its request.";
        DZLogger::sharedInstance()->logPublicMessage(message);
        if (auto connector = liveConnector())
            connector->adapterDidFailAd(*this, dz_adapterError(kErrorDomain, kThrewCode, message));
    }
}

void DZMAdapterCustomEvents::getBannerWithSize(DZAdSize size) {
    auto self = shared_from_this();
    const auto className = credential("class_name").value_or("");
    auto banner = customEventOfKind<DZCustomEventBanner>(
        DZCustomEvent::kBannerKind,
        "Custom Event class " + className + " does not conform to the DZCustomEventBanner protocol.");
    if (!banner) return;
    auto connector = this->connector();
    if (!connector) return;
    const auto label = credential("label");
    auto request = std::make_shared<DZCustomEventRequest>(*connector, label);
    banner->setDelegate(std::weak_ptr<DZCustomEventBannerDelegate>(self));
    customEventBanner_ = banner;
    callCustomEvent(className,
                    [&] { banner->requestBannerAd(size, credential("parameter"), label, request); });
}

void DZMAdapterCustomEvents::getInterstitial() {
    auto self = shared_from_this();
    const auto className = credential("class_name").value_or("");
    auto interstitial = customEventOfKind<DZCustomEventInterstitial>(
        DZCustomEvent::kInterstitialKind,
        "Custom Event class " + className + " does not conform to the DZCustomEventInterstitial protocol.");
    if (!interstitial) return;
    auto connector = this->connector();
    if (!connector) return;
    const auto label = credential("label");
    auto request = std::make_shared<DZCustomEventRequest>(*connector, label);
    interstitial->setDelegate(std::weak_ptr<DZCustomEventInterstitialDelegate>(self));
    customEventInterstitial_ = interstitial;
    callCustomEvent(className,
                    [&] { interstitial->requestInterstitialAd(credential("parameter"), label, request); });
}

bool DZMAdapterCustomEvents::getNativeAdWithAdTypes(const std::vector<std::string>& adTypes,
                                                    const std::vector<nlohmann::json>& options) {
    // Only the native connector asks this; a delivery for another kind of request fails below.
    auto self = shared_from_this();
    nativeRequested_ = true;
    const auto className = credential("class_name").value_or("");
    auto native = customEventOfKind<DZCustomEventNativeAd>(
        DZCustomEvent::kNativeAdKind,
        "Custom event class " + className + " doesn't implement method requestNativeAd.");
    if (!native) return true;
    auto connector = this->connector();
    if (!connector) return true;
    auto request = std::make_shared<DZCustomEventRequest>(*connector, credential("label"));
    native->setDelegate(std::weak_ptr<DZCustomEventNativeAdDelegate>(self));
    customEventNativeAd_ = native;
    auto root = connector->viewControllerForPresentingModalView();
    callCustomEvent(className, [&] {
        native->requestNativeAd(credential("parameter"), request, adTypes, options, root);
    });
    return true;
}

void DZMAdapterCustomEvents::stopBeingDelegate() {
    stopped_ = true;
    if (customEventBanner_) customEventBanner_->setDelegate({});
    if (customEventInterstitial_) customEventInterstitial_->setDelegate({});
    // The native one too: a native custom event answering after this would reach an adapter
    // that no longer speaks for it.
    if (customEventNativeAd_) customEventNativeAd_->setDelegate({});
}

void DZMAdapterCustomEvents::presentInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& rootViewController) {
    if (!customEventInterstitial_) return;
    auto event = customEventInterstitial_;
    callCustomEvent(credential("class_name").value_or(""),
                    [&] { event->presentFromRootViewController(rootViewController); });
}

std::shared_ptr<platform::ui::ViewController> DZMAdapterCustomEvents::viewControllerForPresentingModalView() {
    auto connector = this->connector();
    return connector ? connector->viewControllerForPresentingModalView() : nullptr;
}

// The custom events' calls, passed on as the adapter's.

void DZMAdapterCustomEvents::customEventBannerDidReceiveAd(DZCustomEventBanner&,
                                                           std::shared_ptr<platform::ui::View> view) {
    if (auto connector = liveConnector()) connector->adapterDidReceiveAdView(*this, std::move(view));
}

void DZMAdapterCustomEvents::customEventBannerDidFailAd(DZCustomEventBanner&, platform::ErrorRef error) {
    if (auto connector = liveConnector()) connector->adapterDidFailAd(*this, std::move(error));
}

void DZMAdapterCustomEvents::customEventBannerWasClicked(DZCustomEventBanner&) {
    if (auto connector = liveConnector()) connector->adapterDidGetAdClick(*this);
}

void DZMAdapterCustomEvents::customEventBannerClickDidOccurInAd(DZCustomEventBanner&,
                                                                const std::shared_ptr<platform::ui::View>&) {
    if (auto connector = liveConnector()) connector->adapterDidGetAdClick(*this);
}

void DZMAdapterCustomEvents::customEventBannerWillPresentModal(DZCustomEventBanner&) {
    if (auto connector = liveConnector()) connector->adapterWillPresentFullScreenModal(*this);
}

void DZMAdapterCustomEvents::customEventBannerWillDismissModal(DZCustomEventBanner&) {
    if (auto connector = liveConnector()) connector->adapterWillDismissFullScreenModal(*this);
}

void DZMAdapterCustomEvents::customEventBannerDidDismissModal(DZCustomEventBanner&) {
    if (auto connector = liveConnector()) connector->adapterDidDismissFullScreenModal(*this);
}

void DZMAdapterCustomEvents::customEventBannerWillLeaveApplication(DZCustomEventBanner&) {
    if (auto connector = liveConnector()) connector->adapterWillLeaveApplication(*this);
}

void DZMAdapterCustomEvents::customEventInterstitialDidReceiveAd(DZCustomEventInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterDidReceiveInterstitial(*this);
}

void DZMAdapterCustomEvents::customEventInterstitialDidFailAd(DZCustomEventInterstitial&,
                                                              platform::ErrorRef error) {
    if (auto connector = liveConnector()) connector->adapterDidFailAd(*this, std::move(error));
}

void DZMAdapterCustomEvents::customEventInterstitialWasClicked(DZCustomEventInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterDidGetAdClick(*this);
}

void DZMAdapterCustomEvents::customEventInterstitialWillPresent(DZCustomEventInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterWillPresentInterstitial(*this);
}

void DZMAdapterCustomEvents::customEventInterstitialWillDismiss(DZCustomEventInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterWillDismissInterstitial(*this);
}

void DZMAdapterCustomEvents::customEventInterstitialDidDismiss(DZCustomEventInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterDidDismissInterstitial(*this);
}

void DZMAdapterCustomEvents::customEventInterstitialWillLeaveApplication(DZCustomEventInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterWillLeaveApplication(*this);
}

void DZMAdapterCustomEvents::customEventNativeAdDidReceiveMediatedNativeAd(DZCustomEventNativeAd&,
                                                                           std::shared_ptr<DZMediatedAd> ad) {
    auto connector = liveConnector();
    if (!connector) return;
    // Only a native request takes a native ad.
    if (!nativeRequested_) {
        connector->adapterDidFailAd(
            *this,
            DZRequestError::errorWithCodeCustomMessage(
                kDZErrorInternalError,
                std::string("Native ad response received for connector which can't processed native ad.")));
        return;
    }
    connector->adapterDidReceiveMediatedNativeAd(*this, std::move(ad));
}

void DZMAdapterCustomEvents::customEventNativeAdDidFailToLoad(DZCustomEventNativeAd&,
                                                              platform::ErrorRef error) {
    if (auto connector = liveConnector()) connector->adapterDidFailAd(*this, std::move(error));
}
