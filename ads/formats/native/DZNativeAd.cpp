#include "ads/formats/native/DZNativeAd.h"

#include "ads/core/DZAdServer.h"
#include "ads/core/DZValues.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/formats/native/DZMediatedNativeAdContent.h"
#include "ads/formats/native/DZNativeAdDelegate.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZInternalErrorAdditions.h"
#include "ads/foundation/DZSDKVersion.h"
#include "ads/render/view/DZAdView.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/dispatch/MainThread.h"
#include "platform/url/Url.h"

namespace {

// The private code of a native ad whose loading failed.
constexpr long kAssetsFailedCode = 11;

std::set<std::string> stringSet(const nlohmann::json& array) {
    std::set<std::string> set;
    if (!array.is_array()) return set;
    for (const auto& item : array) {
        if (set.size() == DZNativeAd::kMaxTrackingURLs) break;
        if (item.is_string()) set.insert(item.get<std::string>());
    }
    return set;
}

// The decode work of the ads whose assets are loading, and how many they are. Main thread.
std::shared_ptr<platform::DecodeAllowance> gLoadingPool;
std::size_t gAdsLoading = 0;

}  // namespace

const std::string& DZNativeAd::sdkVersion() {
    static const std::string version = kDZSDKBareVersion;
    return version;
}

DZNativeAd::DZNativeAd(const nlohmann::json& dictionary)
    : adNetworkClassName_("DZMAdapterReriveDiDazAds"), adConfiguration_(dictionary) {
    const auto tracking = dictionary.is_object()
                              ? dictionary.value("tracking_urls_and_actions", nlohmann::json())
                              : nlohmann::json();
    if (!tracking.is_object()) return;
    if (auto url = tracking.find("rerive_click_tracking_url"); url != tracking.end() && url->is_string())
        reriveClickTrackingURL_ = url->get<std::string>();
    thirdPartyClickTrackingURLs_ =
        stringSet(tracking.value("third_party_click_tracking_urls", nlohmann::json()));
    impressionTrackingURLs_ = stringSet(tracking.value("impression_tracking_urls", nlohmann::json()));
    if (auto actions = tracking.find("click_actions"); actions != tracking.end() && actions->is_array())
        clickActions_ = *actions;
}

DZNativeAd::DZNativeAd(std::shared_ptr<DZMediatedNativeAd> mediated)
    : mediatedNativeAd_(std::move(mediated)) {
    if (!mediatedNativeAd_) return;
    adNetworkClassName_ = mediatedNativeAd_->adNetworkClassName();
    if (auto content = mediatedContent()) extraAssets_ = content->extraAssets();
}

DZNativeAd::~DZNativeAd() {
    if (assetsDeadline_) assetsDeadline_->invalidate();
    leaveLoadingPool();
    if (auto content = mediatedContent()) content->setScreenListener(nullptr);
}

void DZNativeAd::didConstruct() {
    auto content = mediatedContent();
    if (!content) return;
    std::weak_ptr<DZNativeAd> weak = weak_from_this();
    content->setScreenListener([weak](DZNativeAdScreenEvent event) {
        if (auto self = weak.lock()) self->forwardScreenEvent(static_cast<int>(event));
    });
}

void DZNativeAd::forwardScreenEvent(int event) {
    auto delegate = delegate_.lock();
    if (!delegate) return;
    switch (static_cast<DZNativeAdScreenEvent>(event)) {
        case DZNativeAdScreenEvent::kWillPresentScreen:
            delegate->nativeAdWillPresentScreen(*this);
            break;
        case DZNativeAdScreenEvent::kWillDismissScreen:
            delegate->nativeAdWillDismissScreen(*this);
            break;
        case DZNativeAdScreenEvent::kDidDismissScreen:
            delegate->nativeAdDidDismissScreen(*this);
            break;
        case DZNativeAdScreenEvent::kWillLeaveApplication:
            delegate->nativeAdWillLeaveApplication(*this);
            break;
    }
}

std::shared_ptr<DZMediatedNativeAdContent> DZNativeAd::mediatedContent() const {
    return mediatedNativeAd_
               ? std::dynamic_pointer_cast<DZMediatedNativeAdContent>(mediatedNativeAd_->mediatedAd())
               : nullptr;
}

void DZNativeAd::setMediatedNativeAd(std::shared_ptr<DZMediatedNativeAd> mediated) {
    mediatedNativeAd_ = std::move(mediated);
}

std::optional<nlohmann::json> DZNativeAd::firstAdObjectInAdConfigurationDictionary(
    const nlohmann::json& answer) {
    if (!answer.is_object()) return std::nullopt;
    auto ads = answer.find("ads");
    if (ads == answer.end() || !ads->is_array() || ads->empty() || !(*ads)[0].is_object())
        return std::nullopt;
    return (*ads)[0];
}

std::optional<DZNativeAdClass> DZNativeAd::classFromAdConfigurationDictionary(const nlohmann::json& answer) {
    auto ad = firstAdObjectInAdConfigurationDictionary(answer);
    if (!ad) return std::nullopt;
    const auto type = ad->value("type", nlohmann::json());
    if (!type.is_string()) return std::nullopt;
    const auto templateID = ad->value("template_id", nlohmann::json());
    long id = 0;
    if (templateID.is_number_integer() || templateID.is_number_unsigned()) {
        id = static_cast<long>(dz_jsonIntegerValue(templateID));
    } else if (templateID.is_string()) {
        id = static_cast<long>(dz_integerValue(templateID.get<std::string>()));
    } else {
        return std::nullopt;
    }
    return DZAdClassFromFormatAndTemplateID(type.get<std::string>(), id);
}

std::optional<DZNativeAdClass> DZNativeAd::classFromMediatedNativeAd(const DZMediatedNativeAd& mediated) {
    const auto& ad = mediated.mediatedAd();
    if (std::dynamic_pointer_cast<DZMediatedNativeAppInstallAd>(ad)) return DZNativeAdClass::kAppInstall;
    if (std::dynamic_pointer_cast<DZMediatedNativeContentAd>(ad)) return DZNativeAdClass::kContent;
    if (auto native = std::dynamic_pointer_cast<DZNativeAd>(ad)) return native->adClass();
    return std::nullopt;
}

std::string DZNativeAd::supportHTMLURL() {
    if (auto stored = platform::UserDefaults::standard()->stringForKey(kSupportURLDefaultsKey)) {
        // Anything but an absolute http(s) URL (a file, a script) would run in the ad's web view.
        if (auto url = platform::Url::parse(*stored); url && url->isWeb()) return url->text();
    }
    return DZAdServerURL(kSupportPagePath);
}

void DZNativeAd::setSlot(const std::shared_ptr<DZSlot>& slot) {
    ASSERT_MAIN_THREAD();
    if (slot == slot_) return;
    slot_ = slot;
    if (slot_) slot_->setAdEventDelegate(std::weak_ptr<DZSlotAdEventDelegate>(shared_from_this()));
}

std::optional<std::string> DZNativeAd::clickPayload(const std::string& assetName,
                                                    const nlohmann::json& environment) const {
    if (assetName.empty() || adConfiguration_.is_null()) return std::nullopt;
    nlohmann::json payload = environment.is_object() ? environment : nlohmann::json::object();
    payload["ad"] = adConfiguration_;
    payload["click"] = {
        {"template", clickActionTemplateID()}, {"asset", assetName}, {"sdk_version", sdkVersion()}};
    try {
        return payload.dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;  // text that is no UTF-8 cannot go to the page
    }
}

void DZNativeAd::performClickOnView(platform::ui::View*, const std::string& assetName,
                                    const nlohmann::json& environment) {
    ASSERT_MAIN_THREAD();
    auto payload = clickPayload(assetName, environment);
    if (!payload || !slot_) return;
    if (auto adView = slot_->adView()) {
        // The user's tap on an asset is the tap on the support page that explains its one open.
        adView->setTouched(true);
        adView->evaluateJavaScript("rerive.zazo.nativeAds.handleClickAmsg(" + *payload + ")", nullptr);
    }
}

void DZNativeAd::recordImpression() {
    ASSERT_MAIN_THREAD();
    if (hasRecordedImpression_) return;
    hasRecordedImpression_ = true;
    DZClickTrackerCollection::sharedInstance()->trackURLs(nlohmann::json(impressionTrackingURLs_), pingAsker_,
                                                          false);
}

bool DZNativeAd::shouldLoadAssets() {
    ASSERT_MAIN_THREAD();
    // Tested and set at once: a second quick call must not start the downloads again.
    if (std::exchange(assetLoadingStarted_, true)) return false;
    if (gAdsLoading++ == 0) gLoadingPool = std::make_shared<platform::DecodeAllowance>(kMaxDecodeWorkAtOnce);
    inLoadingPool_ = true;
    decodeAllowance_ = std::make_shared<platform::DecodeAllowance>(kMaxDecodeWork, gLoadingPool);
    std::weak_ptr<DZNativeAd> weak = weak_from_this();
    assetsDeadline_ =
        platform::MainLoopTimer::schedule(kAssetsTimeoutSeconds, false, [weak](platform::MainLoopTimer&) {
            auto self = weak.lock();
            if (!self || self->assetsSettled_) return;
            self->assetsDeadlinePassed();
        });
    return true;
}

void DZNativeAd::assetsDeadlinePassed() {
    const auto required = requiredAssets();
    for (const auto& name : requestedAssets_) {
        if (!completedAssets_.contains(name) && required.contains(name)) {
            fail(dz_errorWithCode(kAssetsFailedCode, "The assets did not arrive in time."));
            return;
        }
    }
    // Those the ad can do without count as failed: it goes without them.
    completedAssets_.insert(requestedAssets_.begin(), requestedAssets_.end());
    checkForCompletion();
}

void DZNativeAd::addAssetWithNameToRequestedAssets(const std::string& name) {
    requestedAssets_.insert(name);
}

void DZNativeAd::finishedLoadingAssetWithName(const std::string& name) {
    completedAssets_.insert(name);
    startLoadsAfterRequiredAssets();
    checkForCompletion();
}

void DZNativeAd::failedToLoadAssetWithName(const std::string& name) {
    completedAssets_.insert(name);
    if (failedToLoadARequiredAsset_ || !requiredAssets().contains(name)) {
        checkForCompletion();
        return;
    }
    fail(dz_errorWithCode(kAssetsFailedCode, "Failed to load a required asset."));
}

void DZNativeAd::afterRequiredAssets(std::function<void()> start) {
    ASSERT_MAIN_THREAD();
    loadsAfterRequiredAssets_.push_back(std::move(start));
    startLoadsAfterRequiredAssets();
}

void DZNativeAd::startLoadsAfterRequiredAssets() {
    if (loadsAfterRequiredAssets_.empty() || failedToLoadARequiredAsset_) return;
    for (const auto& name : requiredAssets())
        if (requestedAssets_.contains(name) && !completedAssets_.contains(name)) return;
    auto hold = shared_from_this();
    for (auto& start : std::exchange(loadsAfterRequiredAssets_, {}))
        if (start) start();
}

void DZNativeAd::fail(platform::ErrorRef error) {
    failedToLoadARequiredAsset_ = true;
    loadsAfterRequiredAssets_.clear();
    failure_ = std::move(error);
    settleAssets();
    callCompletions(failure_);
}

void DZNativeAd::addAssetCompletion(AssetCompletion completion) {
    ASSERT_MAIN_THREAD();
    assetCompletions_.push_back(std::move(completion));
    std::weak_ptr<DZNativeAd> weak = weak_from_this();
    platform::DispatchQueue::main()->async([weak] {
        if (auto self = weak.lock()) self->checkForCompletion();
    });
}

void DZNativeAd::checkForCompletion() {
    if (failedToLoadARequiredAsset_) {
        // A call that came after the failure is told of it too.
        callCompletions(failure_);
        return;
    }
    for (const auto& name : requestedAssets_)
        if (!completedAssets_.contains(name)) return;
    settleAssets();
    callCompletions(nullptr);
}

void DZNativeAd::settleAssets() {
    assetsSettled_ = true;
    if (assetsDeadline_) std::exchange(assetsDeadline_, nullptr)->invalidate();
    leaveLoadingPool();
}

void DZNativeAd::leaveLoadingPool() {
    if (!std::exchange(inLoadingPool_, false)) return;
    if (--gAdsLoading == 0) gLoadingPool.reset();
}

void DZNativeAd::callCompletions(platform::ErrorRef error) {
    auto completions = std::exchange(assetCompletions_, {});
    if (completions.empty()) return;
    platform::DispatchQueue::main()->async([completions = std::move(completions), error] {
        for (const auto& completion : completions)
            if (completion) completion(error);
    });
}

void DZNativeAd::slotWillPresentScreen(DZSlot&) {
    if (auto delegate = delegate_.lock()) delegate->nativeAdWillPresentScreen(*this);
}

void DZNativeAd::slotWillDismissScreen(DZSlot&) {
    if (auto delegate = delegate_.lock()) delegate->nativeAdWillDismissScreen(*this);
}

void DZNativeAd::slotDidDismissScreen(DZSlot&) {
    if (auto delegate = delegate_.lock()) delegate->nativeAdDidDismissScreen(*this);
}

void DZNativeAd::slotWillLeaveApplication(DZSlot&) {
    if (auto delegate = delegate_.lock()) delegate->nativeAdWillLeaveApplication(*this);
}
