#include "ads/mediation/DZMAdNetworkConnectorNativeAd.h"

#include "ads/core/DZMediatedNativeAd.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/mediation/DZMConnectorDelegate.h"

void DZMAdNetworkConnectorNativeAd::requestAd(const DZAdType&) {
    std::vector<std::string> types;
    std::vector<nlohmann::json> options;
    if (adLoaderConfiguration_) {
        types.assign(adLoaderConfiguration_->adTypes.begin(), adLoaderConfiguration_->adTypes.end());
        if (adLoaderConfiguration_->options.is_object())
            for (const auto& item : adLoaderConfiguration_->options) options.push_back(item);
    }
    bool implemented = true;
    if (!callAdapter("getNativeAdWithAdTypes",
                     [&] { implemented = adapter()->getNativeAdWithAdTypes(types, options); }))
        return;
    if (!implemented)
        failOwnRequest(adapterClassName() + " adapter doesn't implement protocol for fetching native ad.");
}

void DZMAdNetworkConnectorNativeAd::handle(const Callback& callback) {
    auto manager = adManager();
    switch (callback.event) {
        case Event::kNativeAd:
            if (manager && callback.nativeAd)
                manager->adRequestReturnsFromConnectorWithMediatedAd(
                    *this, std::make_shared<DZMediatedNativeAd>(callback.nativeAd, adapterClassName()));
            break;
        case Event::kFail:
            if (manager) manager->adRequestFailedFromConnectorWithError(*this, callback.error);
            break;
        default:
            DZMAdNetworkConnectorBase::handle(callback);
            break;
    }
}
