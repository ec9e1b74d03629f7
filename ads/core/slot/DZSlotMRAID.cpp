// The slot as a rich-media creative's event handler: what the creative hears about the screen,
// the device, its readiness, its visibility and its place, from its announcement until its ad
// goes.
#include "ads/core/DZAd.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZDevice.h"
#include "ads/render/geometry/DZGeometry.h"
#include "ads/render/geometry/DZInterfaceRect.h"
#include "ads/render/view/DZAdView.h"
#include "platform/calendar/EventStore.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/View.h"

using platform::ui::NotificationCenter;

bool DZSlot::isMRAIDEnabled() const {
    return ad_ && ad_->MRAIDEventHandler() != nullptr;
}

nlohmann::json DZSlot::creativePositionDictionary(const platform::Rect& rect) {
    const platform::Rect r = DZStandardizedRect(rect);
    return {{"width", static_cast<double>(r.size.width)},
            {"height", static_cast<double>(r.size.height)},
            {"x", static_cast<double>(r.origin.x)},
            {"y", static_cast<double>(r.origin.y)}};
}

void DZSlot::unloadMRAIDAd(const std::shared_ptr<DZAd>& ad) {
    if (auto handler = ad ? ad->MRAIDEventHandler() : nullptr) handler->MRAIDAdDidUnload();
}

void DZSlot::MRAIDAdDidLoad() {
    auto self = shared_from_this();
    if (ad_) ad_->setMRAIDEventHandler(self);
    if (loadingAd_) loadingAd_->setMRAIDEventHandler(self);
    // A creative that announces itself twice is still observed once.
    auto& center = NotificationCenter::defaultCenter();
    if (creativeOrientationObserver_) center.removeObserver(creativeOrientationObserver_);
    std::weak_ptr<DZSlot> weak = self;
    creativeOrientationObserver_ = center.addObserver(
        kCreativeOrientationChangedNotification,
        [weak, me = this](const platform::ui::Notification& note) {
            if (note.object != me) return;
            if (auto slot = weak.lock()) slot->notifyOrientationToMRAIDCreative();
        },
        this);
    usableInterfaceFrame_ = {};
    creativeWebViewFrame_ = {};
    creativeAdFrame_ = {};
    startZadavaDuruReportingIfEnabled();
    notifyOrientationToMRAIDCreative();
    beginListeningToDeviceOrientationChangeEvent();
    notifyDeviceFeatures();
    // An interstitial is only in a window once shown, long after its page hears it is ready: it is
    // told now of the screen it will take, which its later measurements then confirm.
    if (adType_.isInterstitial() && adView_) {
        const platform::Rect application = DZDevice::sharedInstance()->standardizedOrientedApplicationFrame();
        creativeAdFrame_ = {{0, 0}, application.size};
        adView_->dispatchSDKEvent("onDefaultPositionReceived", creativePositionDictionary(creativeAdFrame_));
    }
    SDKDidBecomeReady();
}

void DZSlot::MRAIDAdDidUnload() {
    endListeningToDeviceOrientationChangeEvent();
}

namespace {

nlohmann::json screenInfo(const platform::Rect& usable) {
    auto device = DZDevice::sharedInstance();
    const platform::Rect screen = device->standardizedOrientedScreenBounds();
    return {{"width", screen.size.width},
            {"height", screen.size.height},
            {"maxSizeWidth", usable.size.width},
            {"maxSizeHeight", usable.size.height},
            {"isOrientationLandscape", device->orientationLandscape()}};
}

nlohmann::json deviceFeatures() {
    using platform::calendar::AuthorizationStatus;
    const auto calendar = platform::calendar::EventStore::shared().eventAuthorizationStatus();
    // A text message would go to a composer that cannot send from this desktop, so the creative
    // is not offered one even where the desktop has a handler for "sms:".
    return {{"sms", false},
            {"tel", DZDevice::sharedInstance()->canMakePhoneCalls()},
            {"calendar",
             calendar == AuthorizationStatus::NotDetermined || calendar == AuthorizationStatus::Authorized},
            {"storePicture", true},
            {"inlineVideo", true}};
}

}  // namespace

void DZSlot::notifyOrientationToMRAIDCreative() {
    if (!isMRAIDEnabled() || !adView_) return;
    usableInterfaceFrame_ = DZDevice::sharedInstance()->standardizedOrientedApplicationFrame();
    adView_->postJSNotification("onScreenInfoChanged", screenInfo(usableInterfaceFrame_));
}

void DZSlot::notifyDeviceFeatures() {
    if (adView_) adView_->postJSNotification("onDeviceFeaturesReceived", deviceFeatures());
}

void DZSlot::notifyScreenAndDeviceFeaturesToPage(DZAdView& page) {
    page.postJSNotification("onScreenInfoChanged",
                            screenInfo(DZDevice::sharedInstance()->standardizedOrientedApplicationFrame()));
    page.postJSNotification("onDeviceFeaturesReceived", deviceFeatures());
}

void DZSlot::SDKDidBecomeReady() {
    if (adView_)
        adView_->postJSNotification("onReadyEventReceived", nlohmann::json{{"js", DZRequest::sdkVersion()}});
}

void DZSlot::beginListeningToDeviceOrientationChangeEvent() {
    if (listeningToOrientation_) return;
    didChangeDeviceOrientation();
    listeningToOrientation_ = true;
    std::weak_ptr<DZSlot> weak = shared_from_this();
    statusBarObserver_ = NotificationCenter::defaultCenter().addObserver(
        platform::ui::kApplicationDidChangeStatusBarOrientationNotification,
        [weak](const platform::ui::Notification&) {
            if (auto slot = weak.lock()) slot->didChangeDeviceOrientation();
        },
        this);
}

void DZSlot::endListeningToDeviceOrientationChangeEvent() {
    if (!listeningToOrientation_) return;
    listeningToOrientation_ = false;
    auto& center = NotificationCenter::defaultCenter();
    center.removeObserver(statusBarObserver_);
    center.removeObserver(creativeOrientationObserver_);
    statusBarObserver_ = 0;
    creativeOrientationObserver_ = 0;
}

void DZSlot::didChangeDeviceOrientation() {
    auto hold = shared_from_this();
    NotificationCenter::defaultCenter().post(kCreativeOrientationChangedNotification, this);
}

void DZSlot::updateVisibility(bool visible) {
    if (adView_) adView_->dispatchSDKEvent("onAdVisibilityChanged", nlohmann::json{{"visible", visible}});
}

void DZSlot::updatePositionFromView(platform::ui::View& view) {
    auto hold = shared_from_this();
    const platform::Rect application = DZDevice::sharedInstance()->standardizedOrientedApplicationFrame();
    if (application != usableInterfaceFrame_) notifyOrientationToMRAIDCreative();
    const auto inApplication = [&](platform::Rect r) {
        r.origin.x -= application.origin.x;
        r.origin.y -= application.origin.y;
        return r;
    };
    if (view.window()) {
        const platform::Rect frame =
            inApplication(DZInterfaceRectFromScreenRect(view.convertRectToWindow(view.bounds())));
        if (frame != creativeWebViewFrame_) {
            creativeWebViewFrame_ = frame;
            if (adView_) adView_->dispatchSDKEvent("onSizeChanged", creativePositionDictionary(frame));
        }
    }
    auto delegate = slotDelegate();
    auto inInterface = delegate ? delegate->frameInInterface() : std::nullopt;
    // An interstitial's place is the screen it is shown on: where its ad view is.
    if (!inInterface && adType_.isInterstitial() && view.window())
        inInterface = DZInterfaceRectFromScreenRect(view.convertRectToWindow(view.bounds()));
    if (!inInterface || *inInterface == platform::Rect{}) return;
    const platform::Rect frame = inApplication(*inInterface);
    if (frame == creativeAdFrame_) return;
    creativeAdFrame_ = frame;
    if (adView_) adView_->dispatchSDKEvent("onDefaultPositionReceived", creativePositionDictionary(frame));
}

void DZSlot::handleError(const std::string& message, const std::string& action) {
    if (adView_)
        adView_->dispatchSDKEvent("onError", nlohmann::json{{"message", message}, {"action", action}});
}
