#include "ads/render/view/DZSupplementalAdAppViewController.h"

#include "ads/core/DZRequest.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZAdView.h"

std::shared_ptr<DZSupplementalAdAppViewController> DZSupplementalAdAppViewController::create() {
    auto controller = std::make_shared<DZSupplementalAdAppViewController>(nullptr);
    controller->adView()->setViewController(controller);
    return controller;
}

void DZSupplementalAdAppViewController::finishAppearing() {
    const bool presenting = isOnScreen();
    DZAdAppViewController::finishAppearing();
    if (!presenting) return;
    adView()->dispatchSDKEvent("onReadyEventReceived", nlohmann::json{{"js", DZRequest::sdkVersion()}});
    adView()->dispatchSDKEvent("onStateChanged", nlohmann::json{{"state", "expanded"}});
    auto s = host();
    if (s && s->adView())
        s->adView()->dispatchSDKEvent("onStateChanged", nlohmann::json{{"state", "expanded"}});
}

void DZSupplementalAdAppViewController::finishDismissal() {
    auto self = sharedSelf();
    const bool leaving = isLeaving();
    DZAdAppViewController::finishDismissal();
    if (!leaving) return;
    auto s = host();
    if (s && s->adView())
        s->adView()->dispatchSDKEvent("onStateChanged", nlohmann::json{{"state", "default"}});
}

void DZSupplementalAdAppViewController::viewDidAppear(bool animated) {
    DZAdAppViewController::viewDidAppear(animated);
    adView()->dispatchSDKEvent("onAdVisibilityChanged", nlohmann::json{{"visible", "1"}});
}

void DZSupplementalAdAppViewController::viewDidDisappear(bool animated) {
    DZAdAppViewController::viewDidDisappear(animated);
    if (adView()) adView()->dispatchSDKEvent("onAdVisibilityChanged", nlohmann::json{{"visible", "0"}});
}
