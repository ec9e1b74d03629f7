// The slot's response handling: what a load does with the ad its fetcher produced, the pings of
// the committed ad and the rewriting of its click URLs.
#include <algorithm>
#include <cctype>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdServer.h"
#include "ads/core/DZRequest.h"
#include "ads/core/DZSignalCollector.h"
#include "ads/core/slot/DZAdFormatRegistry.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/core/slot/DZSlotFormat.h"
#include "ads/foundation/DZCSI.h"
#include "ads/foundation/DZCSITimeRecorder.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/bridge/DZNotification.h"
#include "ads/render/view/DZAdNetworkJavaScriptAdViewDelegate.h"
#include "ads/render/view/DZAdView.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/url/Url.h"

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string& text) {
    const auto space = [](unsigned char c) { return std::isspace(c) != 0; };
    auto first = std::find_if_not(text.begin(), text.end(), space);
    auto last = std::find_if_not(text.rbegin(), text.rend(), space).base();
    return first < last ? std::string(first, last) : std::string();
}

// A host name from a list entry: without spaces, case or a leading dot.
std::string domainEntry(const std::string& entry) {
    std::string host = lowered(trimmed(entry));
    while (!host.empty() && host.front() == '.') host.erase(host.begin());
    return host;
}

// Each ad's pings count against its own share.
void pingURLs(const std::vector<std::string>& urls, const DZAd& ad) {
    if (urls.empty()) return;
    DZClickTrackerCollection::sharedInstance()->trackURLs(nlohmann::json(urls), ad.pingAsker(), false);
}

}  // namespace

void DZSlot::adFetcherDidFetchAd(DZAdFetcher&, const std::shared_ptr<DZAd>& ad) {
    auto hold = weak_from_this().lock();
    fetchedAd_ = ad;
    didFetchAdContent();
    processAdResponse(ad);
}

void DZSlot::adFetcherDidFailToFetchAd(DZAdFetcher&, const std::shared_ptr<DZAd>& ad,
                                       platform::ErrorRef error, long) {
    auto hold = weak_from_this().lock();
    fetchError_ = error ? error : DZRequestError::errorWithCode(kDZErrorInternalError);
    auto requestError = std::dynamic_pointer_cast<const DZRequestError>(fetchError_);
    if (!requestError)
        requestError = DZRequestError::errorWithCodeUnderlyingError(kDZErrorNetworkError, fetchError_);
    // The server may say how soon to ask again after a failure, within the same bounds as any
    // interval. A failure that says nothing (a dead server, a 204) keeps the refresh going.
    if (requestError->code() != kDZErrorReceivedInvalidResponse && ad && ad->reloadInterval() > 0)
        setReloadInterval(ad->reloadInterval());
    didFailToReceiveAdWithError(requestError, false);
}

void DZSlot::processAdResponse(const std::shared_ptr<DZAd>& ad) {
    if (!ad || state_ == kDZSlotStateInvalidated) return;
    auto hold = weak_from_this().lock();
    const unsigned type = ad->responseType();
    if (type == kDZAdResponseTypeHTML || type == kDZAdResponseTypeCustomRendered) {
        if (auto csi = DZCSI::sharedInstance()) {
            if (auto recorder = csi->timeRecorderForAction("load_ad_ios")) {
                recorder->endTimingVariableWithName("arf_ios", adResponseKey_);
                recorder->endTimingVariableWithName("nwl_ios", netWorkLatencyKey_);
                recorder->startTimingVariableWithName("awr_ios", adRenderingKey_);
            }
        }
    }
    willProcessAd();
    if (auto format = formatForResponseType(type)) {
        format->processResponse(*this, ad);
        return;
    }
    // Nothing here can show it: the load ends rather than waiting for a page that never comes.
    didFailToReceiveAdWithError(DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(
                                    kDZErrorReceivedInvalidResponse, requestParametersForError(), 0,
                                    "No format takes ads of response type " + std::to_string(type) + "."),
                                false);
}

std::shared_ptr<DZSlotFormat> DZSlot::formatForResponseType(unsigned responseType) {
    auto& format = formats_[responseType];
    if (!format) format = DZAdFormatRegistry::shared().makeFormat(responseType);
    // HTML, native and custom-rendered ads are the slot's own, unless a format above took them.
    if (!format && (responseType == kDZAdResponseTypeHTML || responseType == kDZAdResponseTypeNative)) {
        format = std::make_shared<DZSlotFormat>(
            [](DZSlot& slot, const std::shared_ptr<DZAd>& ad) { slot.processStandardAdResponse(ad); });
    } else if (!format && responseType == kDZAdResponseTypeCustomRendered) {
        format = std::make_shared<DZSlotFormat>(
            [](DZSlot& slot, const std::shared_ptr<DZAd>& ad) { slot.processCustomRenderingAdResponse(ad); });
    }
    return format;
}

std::shared_ptr<DZSlotFormat> DZSlot::mediatingFormat() const {
    if (!isMediating()) return nullptr;
    auto it = formats_.find(ad_->responseType());
    return it != formats_.end() ? it->second : nullptr;
}

bool DZSlot::isMediating() const {
    return ad_ && ad_->responseType() == kDZAdResponseTypeMediation;
}

std::optional<std::string> DZSlot::adNetworkClassName() const {
    if (state_ != kDZSlotStateValidAd) return std::nullopt;
    if (!isMediating()) return kOwnAdsAdapterClassName;
    auto format = mediatingFormat();
    return format ? format->adNetworkClassName() : std::nullopt;
}

bool DZSlot::changeAdTypeTo(const DZAdType& type) {
    if (adType_.isInterstitial() || type.isInterstitial()) return false;
    auto format = mediatingFormat();
    return format && format->changeAdTypeTo(type);
}

void DZSlot::presentMediatedInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& rootViewController) {
    if (!adType_.isInterstitial()) return;
    auto hold = weak_from_this().lock();
    if (auto format = mediatingFormat())
        format->presentInterstitialFromRootViewController(rootViewController);
}

std::shared_ptr<platform::ui::ViewController> DZSlot::viewControllerForPresentingModalView() const {
    auto delegate = slotDelegate();
    return delegate ? delegate->rootViewController() : nullptr;
}

void DZSlot::cancelFormats() {
    // A format's cancel may reach back into the slot: walk a copy.
    const auto formats = formats_;
    for (const auto& [type, format] : formats) {
        if (format) format->cancel();
    }
}

void DZSlot::processStandardAdResponse(const std::shared_ptr<DZAd>& ad) {
    auto hold = weak_from_this().lock();
    if (auto responseDelegate = adResponseDelegate_.lock()) {
        platform::ErrorRef error;
        const bool process = responseDelegate->slotShouldProcessAdResponse(*this, ad, &error);
        if (error) {
            auto requestError = std::dynamic_pointer_cast<const DZRequestError>(error);
            if (!requestError)
                requestError = DZRequestError::errorWithCodeUnderlyingError(kDZErrorInternalError, error);
            didFailToReceiveAdWithError(requestError, false);
            return;
        }
        if (!process) {
            didReceiveValidAd();
            return;
        }
    }
    loadingAd_ = ad;
    setReloadInterval(ad->reloadInterval());
    // The interval runs from here, while the ad renders.
    scheduleAdReloadTimer();
    if (ad->customAdSizeString())
        newAdSize_ =
            adType_.isInterstitial() ? platform::Size{} : DZCGSizeFromAdSizeString(ad->customAdSizeString());

    const std::string html = trimmed(ad->adHTML().value_or(""));
    if (html.empty()) {
        didFailToReceiveAdWithError(
            DZRequestError::errorWithCodeRequest(kDZErrorNoFill, requestParametersForError()), false);
        return;
    }
    if (!adView_) return;
    restoreBannerAdViewDelegate();
    adView_->setAdDebugDialog(ad->debugDialog().value_or(""));
    willLoadAdHTMLInWebView();
    const auto base = platform::Url::parse(ad->adBaseURL().value_or(""));
    adView_->loadHTMLString(html, base && base->isWeb() ? base->text() : std::string());
    setViewForAdUsingView(adView_);
}

void DZSlot::processCustomRenderingAdResponse(const std::shared_ptr<DZAd>& ad) {
    auto hold = weak_from_this().lock();
    const bool wasReloadable = reloadable_;
    reloadable_ = false;  // the owner draws it: the slot does not refresh it
    deactivateReloadTimer();
    const auto previous = ad_;
    finishedLoadingAdResponse(ad);
    platform::ErrorRef error;
    auto delegate = slotDelegate();
    if (delegate && delegate->slotNotifyPublisherToRenderCustomRenderingAd(*this, ad, &error).value_or(false))
        return;

    ad_ = previous;
    auto requestError = std::dynamic_pointer_cast<const DZRequestError>(error);
    if (!requestError) {
        requestError = DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessageUnderlyingError(
            kDZErrorInvalidArgument, requestParametersForError(), 0,
            std::string("Custom rendered ad could not be rendered by delegate."), error);
    }
    // Nobody took the ad: the load is over, so that later loads and the refresh are not refused
    // as "in progress".
    didReceiveInvalidAd();
    reloadable_ = wasReloadable;
    setReloadInterval(ad->reloadInterval());
    adFailedToReceiveContentWithError(requestError);
    if (auto self = weak_from_this().lock(); self && state_ != kDZSlotStateInvalidated)
        scheduleAdReloadTimer();
}

void DZSlot::setViewForAdUsingView(const std::shared_ptr<platform::ui::View>& view) {
    auto hold = weak_from_this().lock();
    auto delegate = slotDelegate();
    if (delegate) delegate->slotDidReceiveAdView(*this, view);
    if (newAdSize_ == platform::Size{}) return;
    const platform::Size size = newAdSize_;
    newAdSize_ = {};
    delegate = slotDelegate();
    if (!delegate) return;
    const DZAdSize adSize = DZAdSizeFromCGSize(size);
    const auto valid = delegate->validAdSizes();
    if (!valid || !validateAdResponseWithAdSize(adSize, *valid)) return;
    if (CGSizeFromDZAdSize(adType_.adSize()) != size) delegate->slotWillResizeToAdSize(*this, adSize);
    delegate->setAdSizeAndReload(adSize, false);
    if (view && view == adView_) {
        if (auto bounds = delegate->bounds()) adView_->setFrame(*bounds);
    }
}

bool DZSlot::validateAdResponseWithAdSize(DZAdSize size, const std::vector<DZAdSize>& validAdSizes) {
    for (const auto& valid : validAdSizes) {
        if (DZAdSizesAreEqual(valid, kDZAdSizeInvalid)) continue;
        if (DZAdSizesAreEqual(valid, size)) return true;
    }
    return false;
}

void DZSlot::finishedLoadingAdResponse(const std::shared_ptr<DZAd>& ad) {
    viewHasMadeImpression_ = false;
    finishZadavaDuruReporting();
    ad_ = ad;
    loadingAd_.reset();
}

void DZSlot::loadAdNetworkJavaScriptRequest(const std::shared_ptr<DZAd>& ad) {
    auto hold = weak_from_this().lock();
    const std::string html = ad->adHTML().value_or("");
    if (trimmed(html).empty()) {
        didFailToReceiveAdWithError(
            DZRequestError::errorWithCodeCustomMessage(kDZErrorNetworkError, std::string("Empty ad HTML.")),
            true);
        scheduleAdReloadTimer();
        return;
    }
    if (!adView_) return;
    restoreBannerAdViewDelegate();
    std::optional<std::string> passback;
    if (auto url = platform::Url::parse(ad->adNetworkPassbackURL().value_or("")); url && url->isWeb())
        passback = url->text();
    if (auto old = adViewDelegate_) old->opener().clearContext();
    adViewDelegate_ = DZAdNetworkJavaScriptAdViewDelegate::create(weak_from_this(), passback);
    adView_->setDelegate(adViewDelegate_);
    const auto base = platform::Url::parse(ad->adBaseURL().value_or(""));
    adView_->loadHTMLString(html, base && base->isWeb() ? base->text() : std::string());
}

void DZSlot::restoreBannerAdViewDelegate() {
    auto script = std::dynamic_pointer_cast<DZAdNetworkJavaScriptAdViewDelegate>(adViewDelegate_);
    if (!script) return;
    script->stopRenderingTimer();
    script->opener().clearContext();
    adViewDelegate_ = DZBannerAdViewDelegate::create(weak_from_this());
    if (adView_) adView_->setDelegate(adViewDelegate_);
}

// Pings.

void DZSlot::pingClickURLs() {
    auto hold = weak_from_this().lock();
    if (ad_) {
        const auto urls = ad_->clickURLs().urls();
        clickPingCount_ += static_cast<int>(urls.size());
        pingURLs(urls, *ad_);
    }
    if (auto delegate = slotDelegate()) delegate->slotDidReceiveAdClick(*this);
}

void DZSlot::pingImpressionURLs() {
    if (!ad_) return;
    const auto urls = ad_->impressionURLs().urls();
    ad_->removeAllImpressionURLs();
    impressionPingCount_ += static_cast<int>(urls.size());
    pingURLs(urls, *ad_);
}

void DZSlot::pingManualTrackingURLs() {
    if (!ad_) return;
    const auto urls = ad_->manualImpressionURLs().urls();
    ad_->removeAllManualImpressionURLs();
    manualImpressionPingCount_ += static_cast<int>(urls.size());
    pingURLs(urls, *ad_);
}

// Click URLs.

std::string DZSlot::gestureClickURLWithURL(const std::string& url) {
    if (DZNotification::isNotificationURL(url) || url == "about:blank") return url;
    const auto parsed = platform::Url::parse(url);
    if (!parsed) return url;
    if (auto ticket = dz_impressionTicket(*parsed); ticket && ad_)
        ad_->statistics()->setObjectForKey(*ticket, "pit", true);
    if (parsed->query().empty() || !isReriveAdURL(url)) return url;
    const auto ai = dz_parameterValueForKey(*parsed, "ai");
    if (!ai || ai->empty()) return url;
    const DZSignalCollector& collector =
        signalCollector_ ? *signalCollector_ : DZSignalCollector::sharedInstance();
    std::string signal;
    if (collector.requestSignal(signal) != DZSignalCollector::kStatusSuccess || signal.empty()) return url;
    // The collector gives "name=value"; the pair goes on as it is.
    const auto equals = signal.find('=');
    const std::string key = signal.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : signal.substr(equals + 1);
    const auto rewritten = dz_appendQueryValue(*parsed, value, key);
    return rewritten ? rewritten->text() : url;
}

std::vector<std::string> DZSlot::defaultAdServerDomains() {
    return {DZAdServerHost(), "rerive-ads.invalid", "rerive-clicks.invalid"};
}

bool DZSlot::isReriveAdURL(const std::string& url) {
    const auto parsed = platform::Url::parse(url);
    if (!parsed || parsed->host().empty()) return false;
    std::vector<std::string> domains;
    const auto configured = platform::UserDefaults::standard()->stringForKey(kAdServerDomainsKey);
    if (configured) {
        // A comma-separated list; our core page sends a JSON array of names, taken as well.
        const auto array = nlohmann::json::parse(*configured, nullptr, false);
        if (array.is_array()) {
            for (const auto& entry : array) {
                if (!entry.is_string()) continue;
                if (auto host = domainEntry(entry.get<std::string>()); !host.empty()) domains.push_back(host);
            }
        } else {
            std::size_t start = 0;
            while (start <= configured->size()) {
                const std::size_t comma = std::min(configured->find(',', start), configured->size());
                if (auto host = domainEntry(configured->substr(start, comma - start)); !host.empty())
                    domains.push_back(host);
                start = comma + 1;
            }
        }
    }
    if (domains.empty()) {
        for (const auto& entry : defaultAdServerDomains()) {
            if (auto host = domainEntry(entry); !host.empty()) domains.push_back(host);
        }
    }
    const std::string host = lowered(parsed->host());
    return std::any_of(domains.begin(), domains.end(), [&](const std::string& domain) {
        if (host == domain) return true;
        // Only whole labels: "notexample.com" does not lie under "example.com".
        return host.size() > domain.size() &&
               host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
               host[host.size() - domain.size() - 1] == '.';
    });
}
