#include "ads/render/view/DZOpener.h"

#include <cctype>

#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZViewUtilities.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZBrowserViewController.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/url/Url.h"
#include "platform/web/WebEngine.h"

namespace {

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The scheme only, bounded: the rest of a page's URL is the page's and may be anything.
std::string loggableScheme(const std::string& url) {
    const std::string scheme = platform::web::WebEngine::schemeOf(url).substr(0, 32);
    return scheme.empty() ? "(none)" : scheme;
}

}  // namespace

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
    host_.reset();
    // A question about an ad that is going answers itself: no.
    if (auto alert = std::move(confirmationAlert_))
        alert->dismissWithClickedButtonIndex(alert->cancelButtonIndex(), false);
    confirmationURL_.clear();
}

bool DZOpener::autoClickProtected() const {
    if (!autoClickProtected_) return false;
    if (auto host = host_.lock()) return host->isAutoClickProtected();
    return autoClickProtectionByDefault();
}

bool DZOpener::shouldPerformOpenAction() {
    if (!autoClickProtected()) return true;
    auto adView = adView_.lock();
    // Only a recent tap on the ad explains an open, and only one: a page that opens again and
    // again (after every Done) has no user asking for it.
    if (adView && adView->takeTapForOpen()) return true;
    nlohmann::json info = nlohmann::json::object();
    if (adView && !adView->adDebugDialog().empty()) info["debugDialog"] = adView->adDebugDialog();
    if (!navigationURL_.empty()) info["navigationURL"] = navigationURL_;
    if (auto host = host_.lock()) {
        host->openWasBlocked(info);
    } else {
        DZAdHost::tellOrphanOpenBlocked(info);
    }
    return false;
}

bool DZOpener::shouldReportClick() {
    if (!autoClickProtected()) return true;
    auto adView = adView_.lock();
    if (adView && adView->takeTapForClick()) return true;
    pageAllowance()->unexplainedClicks.take("Ad page click not reported: no tap on the ad explains it");
    return false;
}

void DZOpener::logUnpingedDeeplinkTrackers() {
    pageAllowance()->unpingedTrackers.take("Ad page deeplink+ trackers not pinged: its link did not open");
}

std::shared_ptr<DZPageAllowance> DZOpener::pageAllowance() const {
    auto adView = adView_.lock();
    return adView ? adView->pageAllowance() : viewlessAllowance_;
}

bool DZOpener::autoClickProtectionByDefault() {
    const auto stored = platform::UserDefaults::standard()->stringForKey(kAutoClickProtectionKey);
    return !stored || (*stored != "0" && *stored != "false");
}

void DZOpener::didOpen() {
    if (auto host = host_.lock()) {
        host->adWasClicked();
        host->pingClickURLs();
    }
}

void DZOpener::didOpenInApp() {
    didOpen();
    if (auto delegate = delegate_.lock()) delegate->didOpenInApplication();
}

std::optional<std::string> DZOpener::confirmationMessageForURL(const std::string& url) const {
    // "TEL:" is the same scheme as "tel:"; a case-sensitive lookup would let it skip the question.
    const std::string scheme = lowered(platform::web::WebEngine::schemeOf(url));
    if (scheme.empty()) return std::nullopt;
    const auto stored = platform::UserDefaults::standard()->dictionaryForKey(kConfirmSchemesKey);
    if (!stored) {
        if (scheme == "tel") return "Call";
        if (scheme == "facetime") return "FaceTime";
        return std::nullopt;
    }
    for (const auto& key : stored->keys()) {
        if (lowered(key) == scheme) return stored->getString(key);
    }
    return std::nullopt;
}

void DZOpener::confirmClickToURL(const std::string& url, const std::string& title) {
    if (confirmationAlert_) {
        DZLog("Ad open of a \"%s\" URL ignored: the user is being asked about another",
              loggableScheme(url).c_str());
        return;
    }
    const std::size_t colon = url.find(':');
    const std::string message = colon == std::string::npos ? url : url.substr(colon + 1);
    confirmationURL_ = url;
    confirmationAlert_ = std::make_shared<platform::ui::AlertView>(
        "", message, std::weak_ptr<platform::ui::AlertViewDelegate>(weak_from_this()), "Cancel",
        std::vector<std::string>{title});
    auto alert = confirmationAlert_;
    alert->show();
}

void DZOpener::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int buttonIndex) {
    if (&alert != confirmationAlert_.get()) return;
    auto self = shared_from_this();
    const std::string url = std::move(confirmationURL_);
    confirmationURL_.clear();
    confirmationAlert_.reset();
    const int firstOther = alert.cancelButtonIndex() + 1;
    if (buttonIndex != firstOther || url.empty()) return;
    allowedAppURLs_.insert(url);
    // The tap that asked was used up on the question; the user's answer explains the open.
    openExplainedApp(url, true);
}

void DZOpener::alertViewDidDismissWithButtonIndex(platform::ui::AlertView& alert, int) {
    // Dismissed without a tap: the question is over all the same.
    if (&alert != confirmationAlert_.get()) return;
    confirmationAlert_.reset();
    confirmationURL_.clear();
}

std::string DZOpener::openableTarget(const std::string& url, bool& phoneCall) {
    phoneCall = false;
    if (url.size() > kMaxURLLength) {
        DZLog("Ad URL of scheme \"%s\" not opened: %zu bytes long", loggableScheme(url).c_str(), url.size());
        return "";
    }
    if (platform::UrlOpener::isOpenable(url)) return url;
    std::string call = platform::UrlOpener::phoneCallURL(url);
    if (!call.empty() && platform::UrlOpener::shared().handlesScheme("tel")) {
        phoneCall = true;
        return call;
    }
    DZLog("Ad URL of scheme \"%s\" not opened: only http, https and phone numbers are opened",
          loggableScheme(url).c_str());
    return "";
}

bool DZOpener::openApp(const std::string& url) {
    if (url.empty()) return false;
    // Before the question, the pings and the callbacks: a URL that cannot go anywhere is no click
    // and uses up no tap.
    bool phoneCall = false;
    const std::string target = openableTarget(url, phoneCall);
    if (target.empty()) return false;
    if (!shouldPerformOpenAction()) return false;
    return handOn(url, target, phoneCall, true);
}

bool DZOpener::openExplainedApp(const std::string& url, bool countsClick) {
    if (url.empty()) return false;
    bool phoneCall = false;
    const std::string target = openableTarget(url, phoneCall);
    if (target.empty()) return false;
    return handOn(url, target, phoneCall, countsClick);
}

bool DZOpener::handOn(const std::string& url, const std::string& target, bool phoneCall, bool countsClick) {
    if (auto title = confirmationMessageForURL(url); title && !allowedAppURLs_.contains(url)) {
        confirmClickToURL(url, *title);
        return false;
    }
    // On a later turn of the main loop, so that nothing of the page's navigation is still under
    // way. The click counts only once the desktop has taken the URL: a page that never opened
    // (no browser) is told to the player instead. The host and the delegate are the ones of the
    // click, even when this opener's context is cleared meanwhile.
    platform::DispatchQueue::main()->async(
        [self = weak_from_this().lock(), host = host_, delegate = delegate_, target, phoneCall, countsClick] {
            std::string error;
            auto& desktop = platform::UrlOpener::shared();
            const auto outcome =
                phoneCall ? desktop.openPhoneCall(target, &error) : desktop.openPage(target, &error);
            if (outcome != platform::UrlOpener::Outcome::Opened) {
                DZLogText("Ad URL not opened: " + error);
                if (!phoneCall) {
                    auto alert = std::make_shared<platform::ui::AlertView>(
                        "Error", kOpenFailedMessage, std::weak_ptr<platform::ui::AlertViewDelegate>(), "OK");
                    alert->show();
                }
                return;
            }
            // The callbacks may release the host's owner and this opener's.
            auto clicked = host.lock();
            if (clicked && countsClick) {
                clicked->adWasClicked();
                clicked->pingClickURLs();
            }
            if (auto told = delegate.lock()) told->didLeaveApplication();
            if (clicked) clicked->adWillLeaveApplication();
            if (self) self->didOpenAnotherApplication_ = true;
            if (clicked) clicked->willLeaveAppDueToClick();
        });
    return true;
}

bool DZOpener::openBrowserToURL(const std::string& url, int supportedOrientations) {
    const auto page = platform::Url::parse(url, kMaxURLLength, nullptr);
    if (!page || !page->isWeb()) {
        DZLog("Ad browser URL of scheme \"%s\" not opened: only http and https are",
              loggableScheme(url).c_str());
        return false;
    }
    // The orientations first: a browser that could not be shown is no blocked click.
    const unsigned mask = static_cast<unsigned>(supportedOrientations);
    auto adView = adView_.lock();
    if (adView && !dz_supportsOrientations(*adView, mask)) return false;
    if (!shouldPerformOpenAction() || !canOpenContent(true)) return false;
    auto self = weak_from_this().lock();
    auto from = viewController_.lock();
    auto browser = std::make_shared<DZBrowserViewController>();
    browser->setSupportedInterfaceOrientations(mask);
    browser->setHost(host_);
    browser->load(page->text(), referringURL_);
    browser->presentFromViewController(from, {});
    if (!browser->isOnScreen()) return false;
    didOpenInApp();
    return true;
}
