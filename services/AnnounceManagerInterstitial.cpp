// AnnounceManager: the interstitial kept loaded for the end of a game, and the pop-up
// announcement of the last list.
#include <memory>

#include "ads/public/DZPublicTypes.h"
#include "appbase/JTLevelManager.h"
#include "appbase/LogMessage.h"
#include "platform/dispatch/MainThread.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "services/AnnounceManager.h"
#include "services/DecimalText.h"
#include "shell/AppDoor.h"

namespace {

constexpr const char* kLogName = "AnnounceManager";

bool levelManagerHasPendingMessages(AppDoor* core) {
    JTAppBase::JTLevelManager* manager = core ? core->levelManager() : nullptr;
    return manager && manager->hasPendingMessages();
}

}  // namespace

std::string AnnounceManager::istAdStatus() const {
    if (!interstitialAd_) return "null";
    return "istAd(ready=" + std::to_string(interstitialAd_->isReady() ? 1 : 0) +
           " used=" + std::to_string(interstitialAd_->hasBeenUsed() ? 1 : 0) +
           " loading=" + std::to_string(interstitialAdLoading_ ? 1 : 0) + ")";
}

void AnnounceManager::removeInterstitialAd() {
    ASSERT_MAIN_THREAD();
    if (!interstitialAd_) return;
    std::shared_ptr<DZInterstitial> ad = std::move(interstitialAd_);
    interstitialAd_.reset();
    ad->setDelegate({});
}

void AnnounceManager::requestInterstitialAd() {
    ASSERT_MAIN_THREAD();
    LogMessage(kLogName, 1, "istAd: requestInterstitialAd " + istAdStatus());
    if (interstitialAdPresenting_) return;
    const std::string adUnitId = amPropertyAsStringForKey("didazInterstitialAdPublisherId", "");
    // The launch asks with the last list's unit before its own check has answered: an ad kept for
    // a unit the server no longer names is not the server's choice, so the first game over would
    // show it instead of the one the fetched list names.
    if (interstitialAd_ && !interstitialAd_->hasBeenUsed() && interstitialAdUnitId_ != adUnitId) {
        LogMessage(kLogName, 1, "istAd: the ad unit changed " + istAdStatus());
        interstitialAdLoading_ = false;
        removeInterstitialAd();
    }
    if (adUnitId.empty()) return;
    if (interstitialAd_ && !interstitialAd_->hasBeenUsed()) {
        if (interstitialAd_->isReady()) return;
        if (interstitialAdLoading_) {
            const double age = now() - interstitialAdRequestAt_;
            if (age >= 0 && age < kInterstitialLoadTimeout) return;
            LogMessage(kLogName, 1, "istAd: request timeout " + istAdStatus());
        }
    }
    removeInterstitialAd();
    std::shared_ptr<DZInterstitial> ad =
        makeInterstitial_ ? makeInterstitial_(adUnitId) : DZInterstitial::create(adUnitId);
    if (!ad) return;
    interstitialAd_ = ad;
    interstitialAdUnitId_ = adUnitId;
    ad->setDelegate(weak_from_this());
    interstitialAdRequestAt_ = now();
    interstitialAdLoading_ = true;
    ad->loadRequest(makeInterstitialRequest_ ? makeInterstitialRequest_() : DZRequest::request());
    LogMessage(kLogName, 1, "istAd: after loadRequest " + istAdStatus());
}

void AnnounceManager::showPopupAds(int context, const std::function<void()>& onDone) {
    ASSERT_MAIN_THREAD();
    std::weak_ptr<AnnounceManager> weak = weak_from_this();
    showInterstitualAdSub(context, [weak, context, onDone] {
        bool popup = false;
        if (std::shared_ptr<AnnounceManager> manager = weak.lock()) {
            manager->requestInterstitialAd();
            popup = context == 1 && !levelManagerHasPendingMessages(manager->appCore());
        }
        if (onDone) onDone();
        // The game-over screen comes down as a curtain over the game's last picture: the pop-up
        // comes over that screen once it is down, not before it to be rolled over.
        std::shared_ptr<AnnounceManager> manager = weak.lock();
        if (!popup || !manager) return;
        AppDoor* core = manager->appCore();
        const std::shared_ptr<platform::ui::Window> window = core ? core->window() : nullptr;
        if (!window) {
            manager->showPopupAdSub();
            return;
        }
        window->afterTransition([weak] {
            if (std::shared_ptr<AnnounceManager> later = weak.lock()) later->showPopupAdSub();
        });
    });
}

void AnnounceManager::callOnDoneInterstitualAd() {
    if (!onDoneInterstitualAd_) return;
    // Cleared first: the block may start the next sequence.
    std::function<void()> done = std::move(onDoneInterstitualAd_);
    onDoneInterstitualAd_ = nullptr;
    done();
}

void AnnounceManager::showInterstitualAdSub(int context, std::function<void()> onDone) {
    auto hold = shared_from_this();
    LogMessage(kLogName, 1, "istAd: showInterstitualAdSub " + istAdStatus());
    onDoneInterstitualAd_ = std::move(onDone);
    // An ad kept for a unit the server no longer names (its new list came, but a file of it failed,
    // so nothing asked anew) is not shown; the request after the game over asks for the list's.
    if (!interstitialAd_ || interstitialAd_->hasBeenUsed() || !interstitialAd_->isReady() ||
        interstitialAdUnitId_ != amPropertyAsStringForKey("didazInterstitialAdPublisherId", "") ||
        levelManagerHasPendingMessages(appCore_)) {
        callOnDoneInterstitualAd();
        return;
    }
    const int contextFlag = amPropertyAsIntForKey("didazInterstitialAdContextFlag", 0);
    const int interval = amPropertyAsIntForKey("didazInterstitialAdInterval", 0);
    const double sinceShown = now() - interstitialAdShownAt_;
    if ((contextFlag & context) == 0) {
        callOnDoneInterstitualAd();
        return;
    }
    if (sinceShown >= 0 && sinceShown < interval) {
        LogMessage(kLogName, 1, "istAd: wait interval " + istAdStatus());
        callOnDoneInterstitualAd();
        return;
    }
    std::shared_ptr<platform::ui::ViewController> root;
    if (appCore_ && appCore_->window()) root = appCore_->window()->rootViewController();
    if (!root) {
        callOnDoneInterstitualAd();
        return;
    }
    interstitialAdShownAt_ = now();
    interstitialAdPresenting_ = true;
    std::shared_ptr<DZInterstitial> ad = interstitialAd_;
    ad->presentFromRootViewController(root);
    LogMessage(kLogName, 1, "istAd: after show " + istAdStatus());
    // A presentation that never started (the ad was refused, or failed before it was shown)
    // brings no dismissal: the game must go on without it.
    if (interstitialAdPresenting_ && ad == interstitialAd_ && !ad->hasBeenUsed()) {
        interstitialAdPresenting_ = false;
        removeInterstitialAd();
        callOnDoneInterstitualAd();
    } else if (interstitialAdPresenting_) {
        ++interstitialsPresented_;
    }
}

void AnnounceManager::interstitialDidReceiveAd(DZInterstitial& ad) {
    ASSERT_MAIN_THREAD();
    if (&ad != interstitialAd_.get()) return;
    interstitialAdLoading_ = false;
    LogMessage(kLogName, 1, "istAd: DidReceiveAd " + istAdStatus());
}

void AnnounceManager::interstitialDidFailToReceiveAd(DZInterstitial& ad, const DZRequestError::Ref& error) {
    ASSERT_MAIN_THREAD();
    if (&ad != interstitialAd_.get()) return;
    auto hold = shared_from_this();
    interstitialAdLoading_ = false;
    removeInterstitialAd();
    LogMessage(kLogName, 1,
               "istAd: didFailToReceiveAdWithError " + istAdStatus() + " " +
                   (error ? error->localizedDescription() : std::string("(null)")));
    // A failure while presenting (an ad the screen cannot show) ends the presentation.
    if (interstitialAdPresenting_) {
        interstitialAdPresenting_ = false;
        callOnDoneInterstitualAd();
    }
}

void AnnounceManager::interstitialDidDismissScreen(DZInterstitial& ad) {
    ASSERT_MAIN_THREAD();
    interstitialAdShownAt_ = now();
    if (&ad != interstitialAd_.get()) return;
    auto hold = shared_from_this();
    interstitialAdPresenting_ = false;
    removeInterstitialAd();
    callOnDoneInterstitualAd();
}

void AnnounceManager::showPopupAdSub() {
    LogMessage(kLogName, 1, "processPopupAdSub");
    std::optional<platform::PlistArray> info = popupAdInfo();
    if (!info) return;
    const int serial = decimalIntValue(info->getString(2).value_or("0"));
    const double expiry = decimalIntValue(info->getString(3).value_or("0"));
    std::optional<platform::PlistArray> buttons = info->getArray(6);
    if (serial == 0 || serial == popupAdDoneSerial() || (expiry >= 1 && now() > expiry) || !buttons) return;
    LogMessage(kLogName, 1, "show popupAd");
    {
        std::lock_guard<std::mutex> lock(monitor_);
        popupAdDoneSerial_ = serial;
    }
    {
        std::lock_guard<std::mutex> lock(shutdownLock_);
        if (shutdown_) return;
        saveState();
    }
    std::vector<std::string> titles;
    std::vector<std::string> urls;
    for (size_t i = 0; i < buttons->size() && titles.size() < kMaxPopupButtons; ++i) {
        std::optional<platform::PlistArray> entry = buttons->getArray(i);
        std::optional<std::string> label = entry ? entry->getString(0) : std::nullopt;
        std::optional<std::string> url = entry ? entry->getString(1) : std::nullopt;
        // Only a [label, URL] pair is a button; anything else keeps its place but opens nothing.
        const bool pair = entry && entry->size() == 2 && label && url;
        titles.push_back(pair ? *label : std::string());
        urls.push_back(pair ? *url : std::string());
    }
    // Without a way to close it the pop-up would stay for ever.
    popupAdAlertView_ = std::make_shared<platform::ui::AlertView>(info->getString(4).value_or(""),
                                                                  info->getString(5).value_or(""),
                                                                  weak_from_this(), "OK", std::move(titles));
    popupAdButtons_ = std::move(urls);
    popupAdAlertView_->show();
}

void AnnounceManager::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int buttonIndex) {
    if (&alert != popupAdAlertView_.get()) return;
    auto hold = shared_from_this();
    std::vector<std::string> urls = std::move(popupAdButtons_);
    popupAdButtons_.clear();
    popupAdAlertView_.reset();
    // Index 0 is "OK".
    const int entry = buttonIndex - 1;
    if (entry < 0 || static_cast<size_t>(entry) >= urls.size() || urls[static_cast<size_t>(entry)].empty())
        return;
    openUrl(urls[static_cast<size_t>(entry)]);
}
