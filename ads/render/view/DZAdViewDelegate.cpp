#include "ads/render/view/DZAdViewDelegate.h"

#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/render/bridge/DZCSIMessageHandler.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZDefaultAMSGHandler.h"
#include "ads/render/view/DZMRAIDAMSGHandler.h"
#include "ads/render/view/DZOpenerAMSGHandler.h"
#include "ads/render/view/DZPageTrackers.h"
#include "ads/render/view/DZPrecacheAMSGHandler.h"
#include "ads/render/view/DZVideoPlayerAMSGHandler.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/InterfaceOrientation.h"
#include "platform/ui/NotificationCenter.h"

#include <optional>
#include <stdexcept>
#include <utility>

using platform::DispatchQueue;
using platform::web::NavigationAction;
using platform::web::NavigationType;

// The engine refuses longer navigations before they reach the bridge.
static_assert(platform::web::WebEngine::kMaxNavigationURLBytes <= kDZMaxURLLength);

namespace {

std::string withoutFragment(const std::string& url) {
    return url.substr(0, url.find('#'));
}

}  // namespace

std::shared_ptr<DZAdViewDelegate> DZAdViewDelegate::create() {
    return std::make_shared<DZAdViewDelegate>();
}

DZAdViewDelegate::DZAdViewDelegate()
    : opener_(std::make_shared<DZOpener>()),
      messageQueue_(DispatchQueue::createSerial("com.rerive.didaz.amsg")) {
    // Every page may be a rich-media creative's, the browser's and the overlay's too: their
    // rich-media messages are taken here rather than passed on as notices.
    addAMSGHandler(std::make_shared<DZOpenerAMSGHandler>(opener_));
    addAMSGHandler(std::make_shared<DZDefaultAMSGHandler>(opener_));
    addAMSGHandler(std::make_shared<DZMRAIDAMSGHandler>(opener_));
    addAMSGHandler(std::make_shared<DZVideoPlayerAMSGHandler>());
    addAMSGHandler(std::make_shared<DZPrecacheAMSGHandler>());
    addAMSGHandler(std::make_shared<DZCSIMessageHandler>());
}

DZAdViewDelegate::~DZAdViewDelegate() {
    opener_->clearContext();
}

void DZAdViewDelegate::addAMSGHandler(std::shared_ptr<DZAMSGHandler> handler) {
    if (handler) handlers_.push_back(std::move(handler));
}

bool DZAdViewDelegate::adViewShouldStartLoad(DZAdView& adView, const NavigationAction& action) {
    if (action.url.empty()) return false;
    auto self = shared_from_this();
    auto view = std::static_pointer_cast<DZAdView>(adView.shared_from_this());
    opener_->setNavigationContext(action.url, adView.viewController(), view);

    const std::string scheme = platform::web::WebEngine::schemeOf(action.url);
    if (action.type == NavigationType::LinkClicked && action.url.find('#') != std::string::npos &&
        withoutFragment(action.url) == withoutFragment(adView.currentURL())) {
        return false;  // an anchor on the page itself
    }
    // A rich-media ad's links come up over the game, in the in-app browser.
    if (action.type == NavigationType::LinkClicked && (scheme == "http" || scheme == "https") &&
        opensLinksInAppBrowser()) {
        openLinkInAppBrowser(adView, action.url);
        return false;
    }
    if (scheme == "amsg") {
        handleAMSGURL(action.url, view);
        return false;
    }
    if (scheme == "mailto") {
        opener_->openEmailComposer(action.url);
        return false;
    }
    if (scheme == "sms") {
        opener_->openSmsComposer(action.url);
        return false;
    }
    if (scheme == "file") return false;
    if (scheme == "about") return true;
    if (scheme == "deeplink+") {
        const auto enabled = platform::UserDefaults::standard()->boolForKey(kDeeplinkPlusEnabledKey);
        if (!enabled || *enabled) {
            handleDeeplinkPlusURL(action.url);
            return false;
        }
    }
    if (scheme != "http" && scheme != "https") {
        opener_->openApp(action.url);
        return false;
    }
    // The script interceptor finds the ad view of a new page by this URL.
    if (action.mainFrame && (!adView.URL() || adView.URL()->text() != action.url)) {
        if (auto url = dz_URLWithString(action.url)) adView.setURL(url);
    }
    return true;
}

bool DZAdViewDelegate::opensLinksInAppBrowser() const {
    auto host = opener_->host();
    return host && host->isMRAIDEnabled();
}

void DZAdViewDelegate::openLinkInAppBrowser(DZAdView&, const std::string& url) {
    // The caller's navigation may release this delegate while the browser comes up.
    auto opener = opener_;
    opener->openBrowserToURL(url, platform::ui::kInterfaceOrientationMaskAll);
}

void DZAdViewDelegate::adViewDidFinishLoad(DZAdView& adView) {
    adView.forceRotateToOrientation(platform::ui::Application::shared().statusBarOrientation());
    hasLoadedAtLeastOnce_ = true;
}

void DZAdViewDelegate::handleAMSGURL(const std::string& url, const std::shared_ptr<DZAdView>& adView) {
    if (!adView || !adView->pageAllowance()->takeMessage(DZAbsoluteTime::pageTimeInMilliseconds())) return;
    const std::size_t bytes = url.size();
    const bool tooMany = waiting_->fetch_add(1) >= kMaxWaitingMessages;
    const bool tooLarge = waitingBytes_->fetch_add(bytes) + bytes > kMaxWaitingBytes;
    if (tooMany || tooLarge) {
        waiting_->fetch_sub(1);
        waitingBytes_->fetch_sub(bytes);
        if (!floodLogged_->exchange(true)) {
            DZLog("Ad page messages dropped: more than %d or %zu bytes wait", kMaxWaitingMessages,
                  kMaxWaitingBytes);
        }
        return;
    }
    auto done = [waiting = waiting_, waitingBytes = waitingBytes_, floodLogged = floodLogged_, bytes] {
        waitingBytes->fetch_sub(bytes);
        if (waiting->fetch_sub(1) == 1) floodLogged->store(false);
    };
    messageQueue_->async([weak = weak_from_this(), handlers = handlers_, url, adView, done] {
        auto note = DZNotification::fromURL(url);
        if (!note) return done();
        try {
            DispatchQueue::main()->async([weak, handlers, note, adView, done] {
                done();
                if (auto self = weak.lock()) self->dispatch(note, handlers, adView);
            });
        } catch (const std::logic_error&) {
            done();  // the main loop has gone: the process is ending
        }
    });
}

void DZAdViewDelegate::dispatch(const std::shared_ptr<const DZNotification>& note,
                                const std::vector<std::shared_ptr<DZAMSGHandler>>& handlers,
                                const std::shared_ptr<DZAdView>& adView) {
    // Whatever a handler logs for the message (a refusal, the page's own line) is the page's doing.
    std::optional<DZLogChargeScope> charge;
    if (adView) charge.emplace(adView->pageAllowance()->logCharge());
    for (const auto& handler : handlers) {
        if (handler->handleNotification(note, adView)) return;
    }
    didNotHandleMessage(note, adView);
}

platform::ui::NotificationCenter& DZAdViewDelegate::pageMessageCenter() {
    static platform::ui::NotificationCenter center;
    return center;
}

void DZAdViewDelegate::didNotHandleMessage(const std::shared_ptr<const DZNotification>& note,
                                           const std::shared_ptr<DZAdView>& adView) {
    DispatchQueue::main()->async([note, adView] {
        // What an observer logs for the message is the page's doing as much as a handler's.
        std::optional<DZLogChargeScope> charge;
        if (adView) charge.emplace(adView->pageAllowance()->logCharge());
        DZUnhandledAMSGMessage message{adView.get(), note.get()};
        pageMessageCenter().post(note->name(), &message);
    });
}

void DZAdViewDelegate::handleDeeplinkPlusURL(const std::string& text) {
    auto url = dz_URLWithString(text);
    if (!url || url->host() != "navigate") return;
    auto urlParameter = [&](const char* key) -> std::optional<platform::Url> {
        auto value = dz_parameterValueForKey(*url, key);
        return value ? dz_URLWithString(*value) : std::nullopt;
    };
    auto primary = urlParameter("primaryUrl");
    if (!primary) return;
    const auto answer = DZDevice::canOpenURLs({primary->text()}, *DZDevice::sharedInstance());
    const bool primaryOpens = answer && answer->count(primary->text()) && answer->at(primary->text());
    const auto target = primaryOpens ? primary : urlParameter("fallbackUrl");
    const auto trackers =
        dz_parameterValuesForKey(*url, primaryOpens ? "primaryTrackingUrl" : "fallbackTrackingUrl")
            .value_or(std::vector<std::string>());
    // The trackers count the link's click: pinged only once its open went through (a tap explained
    // it), against the page that asked. The opener is held across the open's callbacks.
    auto opener = opener_;
    if (!target || !opener->openApp(target->text())) {
        if (!trackers.empty()) opener->logUnpingedDeeplinkTrackers();
        return;
    }
    DZPageTrackers::ping(trackers, opener->adView(), opener->host());
}
