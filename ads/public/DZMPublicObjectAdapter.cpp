#include "ads/public/DZMPublicObjectAdapter.h"

#include "ads/core/slot/DZSlot.h"
#include "ads/mediation/DZMAdNetworkConnector.h"

DZMPublicObjectAdapter::~DZMPublicObjectAdapter() {
    stopBeingDelegate();
}

std::shared_ptr<DZMAdNetworkConnector> DZMPublicObjectAdapter::liveConnector() const {
    return stopped_ ? nullptr : connector();
}

std::shared_ptr<DZBannerView> DZMPublicObjectAdapter::makeBannerView(DZAdSize size,
                                                                     const DZMAdNetworkConnector& connector) {
    auto banner = DZBannerView::create(size);
    if (!banner) {
        if (auto live = liveConnector())
            live->adapterDidFailAd(
                *this, DZRequestError::errorWithCodeCustomMessage(kDZErrorMediationInvalidAdSize,
                                                                  std::string("Invalid banner size.")));
        return nullptr;
    }
    banner->setDelegate(std::weak_ptr<DZBannerViewDelegate>(shared_from_this()));
    banner->slot()->setReloadable(false);
    banner->setRootViewController(connector.viewControllerForPresentingModalView());
    banner->slot()->setAutoClickProtected(connector.isAutoClickProtected());
    bannerView_ = banner;
    return banner;
}

std::shared_ptr<DZInterstitial> DZMPublicObjectAdapter::makeInterstitial(
    const std::optional<std::string>& adUnitID, const DZMAdNetworkConnector& connector) {
    auto interstitial = DZInterstitial::create(adUnitID);
    interstitial->setDelegate(std::weak_ptr<DZInterstitialDelegate>(shared_from_this()));
    interstitial->slot()->setAutoClickProtected(connector.isAutoClickProtected());
    interstitial_ = interstitial;
    return interstitial;
}

void DZMPublicObjectAdapter::stopBeingDelegate() {
    stopped_ = true;
    if (bannerView_) bannerView_->setDelegate({});
    if (interstitial_) interstitial_->setDelegate({});
}

void DZMPublicObjectAdapter::presentInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& rootViewController) {
    if (auto interstitial = interstitial_) interstitial->presentFromRootViewController(rootViewController);
}

bool DZMPublicObjectAdapter::changeAdSizeTo(DZAdSize size) {
    if (!bannerView_) return false;
    bannerView_->setAdSize(size);
    return true;
}

void DZMPublicObjectAdapter::adViewDidReceiveAd(DZBannerView&) {
    if (auto connector = liveConnector()) connector->adapterDidReceiveAdView(*this, bannerView_);
}

void DZMPublicObjectAdapter::adViewDidFailToReceiveAd(DZBannerView&, const DZRequestError::Ref& error) {
    if (auto connector = liveConnector()) connector->adapterDidFailAd(*this, error);
}

void DZMPublicObjectAdapter::adViewWillPresentScreen(DZBannerView&) {
    auto connector = liveConnector();
    if (!connector) return;
    if (clicksOnBannerScreens_) connector->adapterDidGetAdClick(*this);
    connector->adapterWillPresentFullScreenModal(*this);
}

void DZMPublicObjectAdapter::adViewWillDismissScreen(DZBannerView&) {
    if (auto connector = liveConnector()) connector->adapterWillDismissFullScreenModal(*this);
}

void DZMPublicObjectAdapter::adViewDidDismissScreen(DZBannerView&) {
    if (auto connector = liveConnector()) connector->adapterDidDismissFullScreenModal(*this);
}

void DZMPublicObjectAdapter::adViewWillLeaveApplication(DZBannerView&) {
    auto connector = liveConnector();
    if (!connector) return;
    if (clicksOnBannerScreens_) connector->adapterDidGetAdClick(*this);
    connector->adapterWillLeaveApplication(*this);
}

void DZMPublicObjectAdapter::interstitialDidReceiveAd(DZInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterDidReceiveInterstitial(*this);
}

void DZMPublicObjectAdapter::interstitialDidFailToReceiveAd(DZInterstitial&,
                                                            const DZRequestError::Ref& error) {
    if (auto connector = liveConnector()) connector->adapterDidFailAd(*this, error);
}

void DZMPublicObjectAdapter::interstitialWillPresentScreen(DZInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterWillPresentInterstitial(*this);
}

void DZMPublicObjectAdapter::interstitialWillDismissScreen(DZInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterWillDismissInterstitial(*this);
}

void DZMPublicObjectAdapter::interstitialDidDismissScreen(DZInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterDidDismissInterstitial(*this);
}

void DZMPublicObjectAdapter::interstitialWillLeaveApplication(DZInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterWillLeaveApplication(*this);
}

void DZMPublicObjectAdapter::interstitialDidReceiveAdClick(DZInterstitial&) {
    if (auto connector = liveConnector()) connector->adapterDidGetAdClick(*this);
}
