#include "ads/render/view/DZAdAppAdViewDelegate.h"

#include "ads/core/DZAd.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/bridge/DZAppEventAMSGHandler.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZAdAppAMSGHandler.h"
#include "ads/render/view/DZAdAppViewController.h"
#include "ads/render/view/DZMRAIDInterceptor.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"

namespace {

std::shared_ptr<DZStatisticDictionary> adStatistics(
    const std::shared_ptr<DZAdAppViewController>& controller) {
    auto host = controller ? controller->host() : nullptr;
    return host && host->ad() ? host->ad()->statistics() : nullptr;
}

}  // namespace

std::shared_ptr<DZAdAppAdViewDelegate> DZAdAppAdViewDelegate::create(
    const std::weak_ptr<DZAdAppViewController>& controller) {
    return std::make_shared<DZAdAppAdViewDelegate>(controller);
}

DZAdAppAdViewDelegate::DZAdAppAdViewDelegate(std::weak_ptr<DZAdAppViewController> controller)
    : controller_(std::move(controller)) {
    addAMSGHandler(std::make_shared<DZAdAppAMSGHandler>());
    auto owner = controller_.lock();
    auto host = owner ? owner->host() : nullptr;
    if (host && host->adType().isInterstitial())
        addAMSGHandler(std::make_shared<DZAppEventAMSGHandler>(host));
}

DZAdAppAdViewDelegate::~DZAdAppAdViewDelegate() {
    releaseInterceptor();
}

bool DZAdAppAdViewDelegate::adViewShouldStartLoad(DZAdView& adView,
                                                  const platform::web::NavigationAction& action) {
    if (action.type == platform::web::NavigationType::LinkClicked &&
        platform::UserDefaults::standard()->stringForKey(kDisableClickPingKey) != "1") {
        platform::DispatchQueue::main()->async([controller = controller_] {
            auto owner = controller.lock();
            if (auto host = owner ? owner->host() : nullptr) host->pingClickURLs();
        });
    }
    return DZAdViewDelegate::adViewShouldStartLoad(adView, action);
}

void DZAdAppAdViewDelegate::adViewDidStartLoad(DZAdView& adView) {
    if (auto statistics = adStatistics(controller_.lock());
        statistics && !statistics->objectForKey("tlanding_page_load_start")) {
        statistics->setObjectForKey(DZAbsoluteTime::absoluteTimeInMilliseconds(), "tlanding_page_load_start",
                                    true);
    }
    if (!interceptorHeld_) {
        interceptorHeld_ = true;
        DZMRAIDInterceptor::enableCanInitWithRequest();
    }
    DZAdViewDelegate::adViewDidStartLoad(adView);
}

void DZAdAppAdViewDelegate::adViewDidFinishLoad(DZAdView& adView) {
    if (auto statistics = adStatistics(controller_.lock())) {
        statistics->setObjectForKey(DZAbsoluteTime::absoluteTimeInMilliseconds(), "tlanding_page_load_end",
                                    true);
    }
    releaseInterceptor();
    DZAdViewDelegate::adViewDidFinishLoad(adView);
}

void DZAdAppAdViewDelegate::adViewDidFailLoad(DZAdView& adView, const platform::web::WebError& error) {
    releaseInterceptor();
    DZAdViewDelegate::adViewDidFailLoad(adView, error);
}

void DZAdAppAdViewDelegate::releaseInterceptor() {
    if (!interceptorHeld_) return;
    interceptorHeld_ = false;
    DZMRAIDInterceptor::disableCanInitWithRequest();
}
