#include "ads/public/DZMAdapterReriveDiDazAds.h"

#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/mediation/DZMAdNetworkConnector.h"
#include "ads/mediation/DZMAdapterRegistration.h"
#include "ads/mediation/DZMRequestCategory.h"

void DZMAdapterReriveDiDazAds::registerClass() {
    dz_registerAdapterClass<DZMAdapterReriveDiDazAds>(kClassName);
}

std::string DZMAdapterReriveDiDazAds::adapterVersion() const {
    return DZRequest::sdkVersion();
}

std::optional<std::string> DZMAdapterReriveDiDazAds::networkExtrasClass() const {
    return DZExtras::kClassName;
}

void DZMAdapterReriveDiDazAds::getBannerWithSize(DZAdSize size) {
    auto self = shared_from_this();
    auto connector = liveConnector();
    if (!connector) return;
    auto banner = makeBannerView(size, *connector);
    if (!banner) return;
    banner->setAdUnitID(connector->publisherId().value_or(""));
    banner->loadRequest(DZRequestWithConnector(*connector, *this));
}

void DZMAdapterReriveDiDazAds::getInterstitial() {
    auto self = shared_from_this();
    auto connector = liveConnector();
    if (!connector) return;
    auto interstitial = makeInterstitial(connector->publisherId().value_or(""), *connector);
    interstitial->loadRequest(DZRequestWithConnector(*connector, *this));
}
