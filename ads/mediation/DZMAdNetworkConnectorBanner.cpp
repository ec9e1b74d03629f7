#include "ads/mediation/DZMAdNetworkConnectorBanner.h"

#include "ads/core/slot/DZSlot.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/mediation/DZMConnectorDelegate.h"
#include "ads/render/overlay/DZViewController.h"

void DZMAdNetworkConnectorBanner::requestAd(const DZAdType& type) {
    if (type.isInterstitial()) {
        failOwnRequest("Connector DZMAdNetworkConnectorBanner doesn't support interstitial");
        return;
    }
    if (!DZAdSizeIsValid(type.adSize())) {
        failOwnRequest("Banner adType requested is invalid.");
        return;
    }
    callAdapter("getBannerWithSize", [&] { adapter()->getBannerWithSize(type.adSize()); });
}

void DZMAdNetworkConnectorBanner::handle(const Callback& callback) {
    auto manager = adManager();
    auto owner = slot();
    switch (callback.event) {
        case Event::kAdView:
            didNetworkRefresh_ = didNetworkReturn_;
            didNetworkReturn_ = true;
            clicked_ = false;
            if (manager && manager->adRequestReturnsFromConnectorWithView(*this, callback.view))
                reportImpression();
            break;
        case Event::kFail:
            didNetworkRefresh_ = didNetworkReturn_;
            didNetworkReturn_ = true;
            if (manager) manager->adRequestFailedFromConnectorWithError(*this, callback.error);
            break;
        case Event::kWillPresentModal:
            postNotification(DZViewController::kWillPresentFullScreenNotification);
            if (owner) owner->adWillPresentScreen();
            reportClick();
            break;
        case Event::kWillDismissModal:
            if (owner) owner->adWillDismissScreen();
            break;
        case Event::kDidDismissModal:
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
