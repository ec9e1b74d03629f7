#include "ads/public/DZInterstitial.h"

#include <cstdio>

#include "ads/core/DZAd.h"
#include "ads/core/DZRequest.h"
#include "ads/foundation/DZCSI.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/foundation/DZViewUtilities.h"
#include "ads/public/DZAdFormats.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZInterstitialViewController.h"
#include "platform/ui/ViewController.h"

std::shared_ptr<DZInterstitial> DZInterstitial::create(const std::optional<std::string>& adUnitID) {
    auto interstitial = std::make_shared<DZInterstitial>();
    interstitial->commonInit(adUnitID);
    return interstitial;
}

DZInterstitial::DZInterstitial() = default;

void DZInterstitial::commonInit(const std::optional<std::string>& adUnitID) {
    DZAdFormats::registerAll();
    slot_ = DZSlot::create(DZDevice::sharedInstance()->standardizedPortraitScreenBounds());
    auto self = shared_from_this();
    slot_->setSlotDelegate(std::weak_ptr<DZSlotDelegate>(self));
    slot_->setAdEventDelegate(std::weak_ptr<DZSlotAdEventDelegate>(self));
    slot_->setAdLoadDelegate(std::weak_ptr<DZSlotAdLoadDelegate>(self));
    if (auto adView = slot_->adView()) adView->configureAsInterstitialAdView();
    slot_->setAdResponseDelegate(std::weak_ptr<DZSlotAdResponseDelegate>(self));
    viewController_ = DZInterstitialViewController::create(slot_);
    if (adUnitID) slot_->setAdUnitID(*adUnitID);
}

DZInterstitial::~DZInterstitial() {
    if (!slot_) return;
    slot_->finishZadavaDuruReporting();
    if (auto adView = slot_->adView()) adView->setViewController({});
    slot_->cancelPendingAndFutureActions();
}

std::string DZInterstitial::description() const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "<%s: %p>", className(), static_cast<const void*>(this));
    return buf;
}

const std::string& DZInterstitial::adUnitID() const {
    return slot_->adUnitID();
}

void DZInterstitial::setAdUnitID(const std::string& adUnitID) {
    slot_->setAdUnitID(adUnitID);
}

void DZInterstitial::loadRequest(const std::shared_ptr<DZRequest>& request) {
    // A used interstitial answers a load itself, once: its slot would add a second, meaningless
    // failure for the refused request. After dismissal the slot is final and the load goes
    // nowhere, without a word.
    if (hasBeenUsed_) {
        if (slot_->state() != kDZSlotStateInvalidated) sendInterstitialError(alreadyUsedError_);
        return;
    }
    slot_->loadRequest(request);
}

bool DZInterstitial::isReady() const {
    return slot_->state() == kDZSlotStateValidAd;
}

void DZInterstitial::presentFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    auto hold = shared_from_this();
    if (hasBeenUsed_) {
        sendInterstitialError(alreadyUsedError_);
        return;
    }
    if (!adViewSupportsAdOrientations()) {
        sendInterstitialError(errorForSlotRequest(kDZErrorReceivedInvalidResponse));
        return;
    }
    if (!isReady()) {
        DZLog("Cannot present interstitial. It is not ready.");
        return;
    }
    if (auto csi = DZCSI::sharedInstance()) csi->recordTimestampForLabel("native:view_show");

    if (slot_->isMediating()) {
        // Another network shows it, on its own screen.
        hasBeenUsed_ = true;
        alreadyUsedError_ = errorForSlotRequest(kDZErrorInterstitialAlreadyUsed);
        viewController_.reset();
        slot_->presentMediatedInterstitialFromRootViewController(root);
        return;
    }
    if (auto adView = slot_->adView()) adView->setDelegate({});
    auto controller = std::move(viewController_);
    if (controller) {
        if (const auto& ad = slot_->ad())
            controller->setSupportedInterfaceOrientations(ad->supportedOrientations());
        controller->setHost(slot_);
        // The app may let go of its interstitial once it is shown: the screen keeps it until it
        // has gone, so that the dismissal is still heard.
        controller->setInterstitial(hold);
    }
    slot_->didMakeAdImpression();
    // Used before the presentation starts: the presentation may call back into the app, which
    // may try to present again.
    hasBeenUsed_ = true;
    alreadyUsedError_ = errorForSlotRequest(kDZErrorInterstitialAlreadyUsed);
    if (controller && root) controller->presentFromViewController(root, nullptr);
}

void DZInterstitial::cancel() {
    slot_->cancelPendingAndFutureActions();
}

void DZInterstitial::sendInterstitialError(const DZRequestError::Ref& error) {
    auto hold = shared_from_this();
    DZLogger::sharedInstance()->logPublicMessage(error ? error->localizedDescription() : std::string());
    // Once shown, nothing of the slot is pending, and cancelling would hand the ad view, which the
    // screen now drives, back to the slot's own navigation delegate.
    slot_->didFailToReceiveAdWithError(error, !hasBeenUsed_);
}

bool DZInterstitial::adViewSupportsAdOrientations() const {
    const auto& adView = slot_->adView();
    const auto& ad = slot_->ad() ? slot_->ad() : slot_->loadingAd();
    if (!adView || !ad) return true;
    return dz_supportsOrientations(*adView, ad->supportedOrientations());
}

DZRequestError::Ref DZInterstitial::errorForSlotRequest(int32_t code) const {
    const auto& request = slot_->request();
    return DZRequestError::errorWithCodeRequest(code,
                                                request ? request->copy()->parameters() : nlohmann::json());
}

// --- slot delegate ---

std::optional<bool> DZInterstitial::slotShouldLoadRequest(DZSlot&, const DZRequest&) {
    // A used interstitial's own load already refused the request and said so.
    return !hasBeenUsed_;
}

void DZInterstitial::slotDidReceiveAdClick(DZSlot&) {
    auto hold = shared_from_this();
    if (auto delegate = delegate_.lock()) delegate->interstitialDidReceiveAdClick(*this);
}

std::optional<nlohmann::json> DZInterstitial::coordinatesOfContentInScreen() {
    auto adView = slot_->adView();
    if (!adView) return std::nullopt;
    return DZViewUtilities::positionOfView(
        *adView, DZDevice::sharedInstance()->standardizedOrientedApplicationFrame());
}

// --- load and event delegates: each reaches the app on the main thread ---

template <class Call>
void DZInterstitial::tellDelegate(Call call) {
    DZRunOnMainThread([weak = weak_from_this(), call = std::move(call)] {
        auto self = weak.lock();
        if (!self) return;
        if (auto delegate = self->delegate()) call(*self, *delegate);
    });
}

void DZInterstitial::slotFinishedLoadingAdContent(DZSlot&) {
    tellDelegate([](DZInterstitial& self, DZInterstitialDelegate& d) { d.interstitialDidReceiveAd(self); });
}

void DZInterstitial::slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) {
    // A failed interstitial never loads again by itself: the app decides.
    tellDelegate([error](DZInterstitial& self, DZInterstitialDelegate& d) {
        d.interstitialDidFailToReceiveAd(self, error);
    });
}

void DZInterstitial::slotWillPresentScreen(DZSlot&) {
    tellDelegate(
        [](DZInterstitial& self, DZInterstitialDelegate& d) { d.interstitialWillPresentScreen(self); });
}

void DZInterstitial::slotWillDismissScreen(DZSlot&) {
    tellDelegate(
        [](DZInterstitial& self, DZInterstitialDelegate& d) { d.interstitialWillDismissScreen(self); });
}

void DZInterstitial::slotDidDismissScreen(DZSlot&) {
    slot_->finishZadavaDuruReporting();
    slot_->invalidateState();
    viewController_.reset();
    tellDelegate(
        [](DZInterstitial& self, DZInterstitialDelegate& d) { d.interstitialDidDismissScreen(self); });
}

void DZInterstitial::slotWillLeaveApplication(DZSlot&) {
    tellDelegate(
        [](DZInterstitial& self, DZInterstitialDelegate& d) { d.interstitialWillLeaveApplication(self); });
}

bool DZInterstitial::slotShouldProcessAdResponse(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                                 platform::ErrorRef* error) {
    const auto& adView = slot_->adView();
    if (!ad || !adView || dz_supportsOrientations(*adView, ad->supportedOrientations())) return true;
    if (error) *error = errorForSlotRequest(kDZErrorReceivedInvalidResponse);
    return false;
}

bool DZInterstitial::slotShouldProcessMediatedAdResponse(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                                         platform::ErrorRef*) {
    if (ad) ad->setMediationDelegate(shared_from_this());
    return true;
}

DZMediationConnectorKind DZInterstitial::connectorKindForAd(const DZAd&) {
    return DZMediationConnectorKind::kInterstitial;
}
