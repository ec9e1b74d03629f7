#include "ads/mediation/DZMAdNetworkConnectorInterstitial.h"

#include "ads/core/slot/DZSlot.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/mediation/DZMConnectorDelegate.h"
#include "ads/render/overlay/DZViewController.h"

void DZMAdNetworkConnectorInterstitial::requestAd(const DZAdType& type) {
    if (!type.isInterstitial()) {
        failOwnRequest("Invalid mediation ad requested from interstitial object.");
        return;
    }
    callAdapter("getInterstitial", [&] { adapter()->getInterstitial(); });
}

void DZMAdNetworkConnectorInterstitial::handle(const Callback& callback) {
    auto manager = adManager();
    auto owner = slot();
    switch (callback.event) {
        case Event::kInterstitial:
            clicked_ = false;
            if (manager) manager->adRequestReturnsFromConnectorWithInterstitial(*this);
            break;
        case Event::kFail:
            if (manager) manager->adRequestFailedFromConnectorWithError(*this, callback.error);
            break;
        case Event::kWillPresentInterstitial:
            postNotification(DZViewController::kWillPresentFullScreenNotification);
            if (owner) owner->adWillPresentScreen();
            reportImpression();
            break;
        case Event::kWillDismissInterstitial:
            calledWillDismissInterstitial_ = true;
            if (owner) owner->adWillDismissScreen();
            break;
        case Event::kDidDismissInterstitial:
            if (!calledWillDismissInterstitial_) handle({Event::kWillDismissInterstitial, {}, {}, {}});
            postNotification(DZViewController::kDidDismissFullScreenNotification);
            if (owner) owner->adDidDismissScreen();
            break;
        case Event::kLeaveApplication:
            leaveApplicationForClick();
            break;
        default:
            DZMAdNetworkConnectorBase::handle(callback);
            break;
    }
}
