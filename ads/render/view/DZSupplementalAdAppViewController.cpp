#include "ads/render/view/DZSupplementalAdAppViewController.h"

#include "ads/core/DZRequest.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZBannerPicture.h"
#include "platform/ui/ImageView.h"

std::shared_ptr<DZSupplementalAdAppViewController> DZSupplementalAdAppViewController::create() {
    auto controller = std::make_shared<DZSupplementalAdAppViewController>(nullptr);
    controller->adView()->setViewController(controller);
    return controller;
}

DZSupplementalAdAppViewController::~DZSupplementalAdAppViewController() {
    if (bannerPicture_) bannerPicture_->removeFromSuperview();
}

void DZSupplementalAdAppViewController::finishAppearing() {
    const bool presenting = isOnScreen();
    DZAdAppViewController::finishAppearing();
    if (!presenting) return;
    adView()->dispatchSDKEvent("onReadyEventReceived", nlohmann::json{{"js", DZRequest::sdkVersion()}});
    adView()->dispatchSDKEvent("onStateChanged", nlohmann::json{{"state", "expanded"}});
    auto s = host();
    auto banner = s ? s->adView() : nullptr;
    if (!banner) return;
    if (auto strip = banner->superview(); strip && !bannerPicture_) {
        bannerPicture_ = DZBannerPicture::of(*banner);
        strip->addSubview(bannerPicture_);
    }
    banner->dispatchSDKEvent("onStateChanged", nlohmann::json{{"state", "expanded"}});
}

void DZSupplementalAdAppViewController::finishDismissal() {
    auto self = sharedSelf();
    const bool leaving = isLeaving();
    DZAdAppViewController::finishDismissal();
    if (!leaving) return;
    auto s = host();
    auto banner = s ? s->adView() : nullptr;
    if (banner) banner->dispatchSDKEvent("onStateChanged", nlohmann::json{{"state", "default"}});
    // This controller may go before the page has drawn: the picture and its wait are on their own.
    DZBannerPicture::removeOnceRedrawn(std::move(bannerPicture_), banner);
    bannerPicture_.reset();
}

void DZSupplementalAdAppViewController::viewDidAppear(bool animated) {
    DZAdAppViewController::viewDidAppear(animated);
    adView()->dispatchSDKEvent("onAdVisibilityChanged", nlohmann::json{{"visible", "1"}});
}

void DZSupplementalAdAppViewController::viewDidDisappear(bool animated) {
    DZAdAppViewController::viewDidDisappear(animated);
    if (adView()) adView()->dispatchSDKEvent("onAdVisibilityChanged", nlohmann::json{{"visible", "0"}});
}
