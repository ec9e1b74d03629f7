#include "ads/render/view/DZInterstitialViewController.h"

#include "ads/core/slot/DZSlot.h"
#include "ads/render/view/DZAdView.h"

std::shared_ptr<DZInterstitialViewController> DZInterstitialViewController::create(
    const std::shared_ptr<DZSlot>& slot) {
    if (!slot || !slot->adView()) return nullptr;
    auto controller = std::make_shared<DZInterstitialViewController>(slot->adView());
    controller->setSlot(slot);
    slot->adView()->setViewController(controller);
    return controller;
}

void DZInterstitialViewController::presentFromViewController(
    const std::shared_ptr<platform::ui::ViewController>& from, std::function<void()> completion) {
    auto self = sharedSelf();
    const bool wasOnScreen = isOnScreen();
    if (!wasOnScreen) interstitial_ = pendingInterstitial_;
    DZAdAppViewController::presentFromViewController(from, std::move(completion));
    if (!wasOnScreen && !isOnScreen()) interstitial_.reset();
}

void DZInterstitialViewController::relinquishScreenWithCompletion(std::function<void()> completion) {
    if (isOnScreen() && adView()) adView()->dispatchSDKEvent("onhide", std::nullopt);
    DZAdAppViewController::relinquishScreenWithCompletion(std::move(completion));
}

void DZInterstitialViewController::finishAppearing() {
    const bool presenting = isOnScreen();
    DZAdAppViewController::finishAppearing();
    if (presenting && adView()) adView()->dispatchSDKEvent("onshow", std::nullopt);
}

void DZInterstitialViewController::finishDismissal() {
    auto self = sharedSelf();
    DZAdAppViewController::finishDismissal();
    releaseAdView();
    interstitial_.reset();
}

bool DZInterstitialViewController::isLoaded() const {
    auto s = slot();
    return s && s->state() == 6;
}
