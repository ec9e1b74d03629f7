#include "ads/public/DZMAdapterReriveDiDazAds.h"

#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/formats/native/DZAdLoader.h"
#include "ads/formats/native/DZNativeAdImageAdLoaderOptions.h"
#include "ads/formats/native/DZNativeAdTypes.h"
#include "ads/formats/native/DZNativeAppInstallAd.h"
#include "ads/formats/native/DZNativeContentAd.h"
#include "ads/mediation/DZMAdNetworkConnectorNativeAd.h"
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

bool DZMAdapterReriveDiDazAds::getNativeAdWithAdTypes(const std::vector<std::string>& adTypes,
                                                      const std::vector<nlohmann::json>& options) {
    auto self = shared_from_this();
    auto connector = liveConnector();
    if (!connector) return true;
    if (!std::dynamic_pointer_cast<DZMAdNetworkConnectorNativeAd>(connector)) {
        connector->adapterDidFailAd(
            *this,
            DZRequestError::errorWithCodeCustomMessage(
                kDZErrorInternalError, std::string("Connector used DZMAdNetworkConnectorNativeAd isn't "
                                                   "a valid connector for requesting native ad")));
        return true;
    }
    std::vector<std::string> served;
    for (const auto& type : adTypes)
        if (type == kDZAdLoaderContentAdType || type == kDZAdLoaderAppInstallAdType) served.push_back(type);
    if (served.empty()) {
        connector->adapterDidFailAd(
            *this, DZRequestError::errorWithCodeCustomMessage(
                       kDZErrorInternalError, std::string("No content or app install ad type asked for.")));
        return true;
    }
    // The networks are told the options as dictionaries: the image options come back from theirs.
    std::vector<std::shared_ptr<const DZAdLoaderOptions>> loaderOptions;
    for (const auto& option : options)
        if (auto imageOptions = DZNativeAdImageAdLoaderOptions::fromDictionaryRepresentation(option))
            loaderOptions.push_back(std::move(imageOptions));
    adLoader_ = DZAdLoader::create(connector->publisherId().value_or(""),
                                   connector->viewControllerForPresentingModalView(), served, loaderOptions);
    adLoader_->setDelegate(
        std::weak_ptr<DZAdLoaderDelegate>(std::static_pointer_cast<DZMAdapterReriveDiDazAds>(self)));
    adLoader_->loadRequest(DZRequestWithConnector(*connector, *this));
    return true;
}

void DZMAdapterReriveDiDazAds::stopBeingDelegate() {
    DZMPublicObjectAdapter::stopBeingDelegate();
    if (adLoader_) adLoader_->setDelegate({});
}

void DZMAdapterReriveDiDazAds::adLoaderDidFailToReceiveAd(DZAdLoader&, const DZRequestError::Ref& error) {
    if (auto connector = liveConnector()) connector->adapterDidFailAd(*this, error);
}

void DZMAdapterReriveDiDazAds::adLoaderDidReceiveNativeAppInstallAd(
    DZAdLoader& loader, const std::shared_ptr<DZNativeAppInstallAd>& ad) {
    handOn(loader, ad);
}

void DZMAdapterReriveDiDazAds::adLoaderDidReceiveNativeContentAd(
    DZAdLoader& loader, const std::shared_ptr<DZNativeContentAd>& ad) {
    handOn(loader, ad);
}

void DZMAdapterReriveDiDazAds::handOn(DZAdLoader& loader, std::shared_ptr<DZMediatedAd> ad) {
    auto self = shared_from_this();
    auto connector = liveConnector();
    if (!connector) return;
    if (!std::dynamic_pointer_cast<DZMAdNetworkConnectorNativeAd>(connector)) {
        adLoaderDidFailToReceiveAd(
            loader,
            DZRequestError::errorWithCodeCustomMessage(
                kDZErrorInternalError, std::string("Invalid connector used for handling native ad.")));
        return;
    }
    connector->adapterDidReceiveMediatedNativeAd(*this, std::move(ad));
}
