#include "ads/render/DZOpener.h"

#include "ads/foundation/DZLogger.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/web/WebEngine.h"

void DZOpener::setNavigationContext(const std::string& url,
                                    std::weak_ptr<platform::ui::ViewController> viewController,
                                    std::weak_ptr<DZAdView> adView) {
    navigationURL_ = url;
    viewController_ = std::move(viewController);
    adView_ = std::move(adView);
}

void DZOpener::clearContext() {
    viewController_.reset();
    adView_.reset();
    slot_.reset();
}

bool DZOpener::openApp(const std::string& url) {
    return hand(url, "app");
}

bool DZOpener::openBrowserToURL(const std::string& url, int supportedOrientations) {
    return hand(url, "browser");
}

bool DZOpener::hand(const std::string& url, const char* what) {
    std::string error;
    if (!platform::UrlOpener::isOpenable(url, &error)) {
        // The scheme only: the rest of a page's URL is the page's and may be anything.
        const std::string scheme = platform::web::WebEngine::schemeOf(url).substr(0, 32);
        DZLog("Ad %s URL of scheme \"%s\" not opened: only http and https are", what,
              scheme.empty() ? "(none)" : scheme.c_str());
        return false;
    }
    if (!platform::UrlOpener::shared().open(url, &error)) {
        DZLogText("Ad URL not opened: " + error);
        return false;
    }
    return true;
}
