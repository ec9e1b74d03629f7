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
#include "platform/web/WebEngine.h"

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

bool DZAdAppAdViewDelegate::followsLinkInPlace(const DZAdView& adView,
                                               const platform::web::NavigationAction& action) const {
    if (action.type != platform::web::NavigationType::LinkClicked) return false;
    const std::string scheme = platform::web::WebEngine::schemeOf(action.url);
    if (scheme != "http" && scheme != "https") return false;  // the opener's, which guards them
    if (opensLinksInAppBrowser()) return false;               // the in-app browser's, the same
    const auto page = [](const std::string& url) { return url.substr(0, url.find('#')); };
    return action.url.find('#') == std::string::npos || page(action.url) != page(adView.currentURL());
}

bool DZAdAppAdViewDelegate::adViewShouldStartLoad(DZAdView& adView,
                                                  const platform::web::NavigationAction& action) {
    if (followsLinkInPlace(adView, action)) {
        // A link followed in this view is the ad's click: one tap on the view explains one.
        auto self = shared_from_this();
        opener().setNavigationContext(action.url, adView.viewController(),
                                      std::static_pointer_cast<DZAdView>(adView.shared_from_this()));
        if (!opener().shouldPerformOpenAction()) return false;
        if (platform::UserDefaults::standard()->stringForKey(kDisableClickPingKey) != "1") {
            platform::DispatchQueue::main()->async([controller = controller_] {
                auto owner = controller.lock();
                if (auto host = owner ? owner->host() : nullptr) host->pingClickURLs();
            });
        }
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
