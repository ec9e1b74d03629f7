#include "ads/render/view/DZBrowserAdViewDelegate.h"

#include "ads/core/DZAd.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZBrowserAdView.h"
#include "ads/render/view/DZBrowserViewController.h"
#include "platform/web/WebEngine.h"

using platform::web::NavigationType;

namespace {

std::shared_ptr<DZStatisticDictionary> adStatistics(const std::shared_ptr<DZBrowserViewController>& browser) {
    auto host = browser ? browser->host() : nullptr;
    return host && host->ad() ? host->ad()->statistics() : nullptr;
}

}  // namespace

std::shared_ptr<DZBrowserAdViewDelegate> DZBrowserAdViewDelegate::create() {
    return std::make_shared<DZBrowserAdViewDelegate>();
}

std::shared_ptr<DZBrowserViewController> DZBrowserAdViewDelegate::browserControllerForAdView(
    const DZAdView& adView) {
    auto* browserView = dynamic_cast<const DZBrowserAdView*>(&adView);
    return browserView ? browserView->browserViewController() : nullptr;
}

bool DZBrowserAdViewDelegate::adViewShouldStartLoad(DZAdView& adView,
                                                    const platform::web::NavigationAction& action) {
    auto browser = browserControllerForAdView(adView);
    if (browser &&
        (action.type == NavigationType::LinkClicked || action.type == NavigationType::FormSubmitted)) {
        const std::string scheme = platform::web::WebEngine::schemeOf(action.url);
        auto statistics = adStatistics(browser);
        if (statistics && scheme == "http") statistics->incrementNumberForKey("plpnc", true);
        if (statistics && scheme == "https") statistics->incrementNumberForKey("plpsnc", true);
    }
    return DZAdViewDelegate::adViewShouldStartLoad(adView, action);
}

void DZBrowserAdViewDelegate::adViewDidStartLoad(DZAdView& adView) {
    auto browser = browserControllerForAdView(adView);
    if (auto statistics = adStatistics(browser);
        statistics && !statistics->objectForKey("tlanding_page_load_start")) {
        statistics->setObjectForKey(DZAbsoluteTime::absoluteTimeInMilliseconds(), "tlanding_page_load_start",
                                    true);
    }
    DZAdViewDelegate::adViewDidStartLoad(adView);
    if (!browser) return;
    browser->pageDidStartLoad();
    browser->refreshToolbar();
}

void DZBrowserAdViewDelegate::adViewDidFinishLoad(DZAdView& adView) {
    auto browser = browserControllerForAdView(adView);
    if (auto statistics = adStatistics(browser)) {
        statistics->setObjectForKey(DZAbsoluteTime::absoluteTimeInMilliseconds(), "tlanding_page_load_end",
                                    true);
    }
    DZAdViewDelegate::adViewDidFinishLoad(adView);
    if (browser) browser->refreshToolbar();
}

void DZBrowserAdViewDelegate::adViewDidFailLoad(DZAdView& adView, const platform::web::WebError& error) {
    auto browser = browserControllerForAdView(adView);
    DZAdViewDelegate::adViewDidFailLoad(adView, error);
    if (!browser) return;
    browser->pageDidFailToLoad(error);
    browser->refreshToolbar();
}
