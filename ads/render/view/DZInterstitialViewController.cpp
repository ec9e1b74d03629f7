#include "ads/render/view/DZInterstitialViewController.h"

#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZAdView.h"

std::shared_ptr<DZInterstitialViewController> DZInterstitialViewController::create(
    const std::shared_ptr<DZAdHost>& host) {
    if (!host || !host->adView()) return nullptr;
    auto controller = std::make_shared<DZInterstitialViewController>(host->adView());
    controller->setHost(host);
    host->adView()->setViewController(controller);
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
    if (isOnScreen() && toldShown_ && adView()) adView()->dispatchSDKEvent("onhide", std::nullopt);
    toldShown_ = false;
    appeared_ = false;
    DZAdAppViewController::relinquishScreenWithCompletion(std::move(completion));
}

void DZInterstitialViewController::finishAppearing() {
    const bool presenting = isOnScreen();
    DZAdAppViewController::finishAppearing();
    appeared_ = presenting;
    tellShown();
}

void DZInterstitialViewController::adKindDidChange() {
    DZAdAppViewController::adKindDidChange();
    tellShown();
}

void DZInterstitialViewController::tellShown() {
    // Only a rich-media page has the script that takes these; a plain page would fail on them.
    if (!appeared_ || toldShown_ || !isOnScreen() || !adView() || !isMRAIDAd()) return;
    toldShown_ = true;
    adView()->dispatchSDKEvent("onshow", std::nullopt);
}

void DZInterstitialViewController::finishDismissal() {
    auto self = sharedSelf();
    DZAdAppViewController::finishDismissal();
    releaseAdView();
    interstitial_.reset();
}

bool DZInterstitialViewController::isLoaded() const {
    auto s = host();
    return s && s->hasValidAd();
}
