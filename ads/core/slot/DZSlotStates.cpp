// The slot's state machine: each step of a load enters its state and tells whom it concerns.
#include "ads/core/slot/DZSlot.h"

#include "ads/core/DZAd.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZCSI.h"
#include "ads/foundation/DZCSITimeRecorder.h"
#include "ads/foundation/DZStatisticDictionary.h"

namespace {

std::shared_ptr<DZCSITimeRecorder> loadRecorder() {
    auto csi = DZCSI::sharedInstance();
    return csi ? csi->timeRecorderForAction("load_ad_ios") : nullptr;
}

void sendCSIReport() {
    if (auto csi = DZCSI::sharedInstance()) csi->sendReport();
}

nlohmann::json now() {
    return DZAbsoluteTime::absoluteTimeInMilliseconds();
}

}  // namespace

void DZSlot::resetState() {
    setState(kDZSlotStateIdle);
}

void DZSlot::willRequestAdURL() {
    if (state_ == kDZSlotStateInvalidated) return;
    setState(kDZSlotStateAdURLRequested);
    applicationStatistics_ =
        DZApplication::sharedInstance()->nextRequestStatisticsDictionaryForSlot(mediatingFormat() != nullptr);
}

void DZSlot::didFailToRetrieveSDKCoreWithError(const DZRequestError::Ref& error) {
    auto hold = weak_from_this().lock();
    setState(kDZSlotStateCorePageFailed);
    adFailedToReceiveContentWithError(error);
}

void DZSlot::didReceiveAdURL() {
    setState(kDZSlotStateAdURLReceived);
}

void DZSlot::willFetchAdContent() {
    if (state_ == kDZSlotStateInvalidated) return;
    setState(kDZSlotStateFetching);
    if (!loadingAd_) return;
    auto statistics = loadingAd_->statistics();
    const auto at = [&](const char* key) -> nlohmann::json {
        auto it = applicationStatistics_.find(key);
        return it == applicationStatistics_.end() ? nlohmann::json() : *it;
    };
    const nlohmann::json requested = at("currts");
    statistics->setObjectForKeyedSubscript(requested.is_null() ? now() : requested, "treq");
    statistics->setObjectForKeyedSubscript(now(), "tfetch");
    if (!adUnitID_.empty()) statistics->setObjectForKeyedSubscript(adUnitID_, "slotid");
    if (auto sequence = at("seq_num"); !sequence.is_null())
        statistics->setObjectForKeyedSubscript(sequence, "seq_num");
}

void DZSlot::didFetchAdContent() {
    if (loadingAd_) loadingAd_->statistics()->setObjectForKeyedSubscript(now(), "tresponse");
    auto app = DZApplication::sharedInstance()->statistics();
    for (const char* key : {"oar", "bas_on", "bas_off"}) app->setObjectForKeyedSubscript(0, key);
}

void DZSlot::willProcessMediationResponse() {
    if (state_ == kDZSlotStateInvalidated) return;
    setState(kDZSlotStateFetching);
    if (loadingAd_) loadingAd_->statistics()->setObjectForKey(true, "ismediation", true);
}

void DZSlot::didFailToReceiveAdWithError(const DZRequestError::Ref& error, bool shouldCancelPendingActions) {
    auto hold = weak_from_this().lock();
    if (shouldCancelPendingActions) cancelPendingActions();
    didReceiveInvalidAd();
    adFailedToReceiveContentWithError(error ? error : DZRequestError::errorWithCode(kDZErrorInternalError));
}

void DZSlot::didReceiveInvalidAd() {
    if (state_ == kDZSlotStateInvalidated || state_ == kDZSlotStateFailed) return;
    setState(kDZSlotStateFailed);
    if (auto recorder = loadRecorder()) {
        recorder->cancelTimingVariableWithName("awr_ios", adRenderingKey_);
        recorder->cancelTimingVariableWithName("ttc_ios", totalTimeKey_);
    }
    sendCSIReport();
    loadingAd_.reset();
    // Handed back once: a later request carries them, and the slot no longer does.
    auto unsent = std::move(pendingAdStatistics_);
    pendingAdStatistics_.clear();
    if (!unsent.empty()) DZApplication::sharedInstance()->didNotSendAdStatistics(unsent);
}

void DZSlot::didReceiveValidAd() {
    if (state_ == kDZSlotStateInvalidated || state_ == kDZSlotStateValidAd) return;
    setState(kDZSlotStateValidAd);
    if (auto recorder = loadRecorder()) {
        recorder->endTimingVariableWithName("awr_ios", adRenderingKey_);
        recorder->endTimingVariableWithName("ttc_ios", totalTimeKey_);
    }
    sendCSIReport();
    pendingAdStatistics_.clear();
}

void DZSlot::willStartAdRendering() {
    setState(kDZSlotStateRendering);
}

void DZSlot::willLoadAdHTMLInWebView() {
    willStartAdRendering();
}

void DZSlot::didLoadAdHTMLInWebView() {
    finishedLoadingAdResponse(loadingAd_);
    if (adView_) adView_->setTouched(false);
    const uint64_t loaded = DZAbsoluteTime::absoluteTimeInMilliseconds();
    if (ad_) ad_->statistics()->setObjectForKey(loaded, "tload", true);
    timeLastLoaded_ = loaded;
}

void DZSlot::didMakeAdImpression() {
    DZApplication::sharedInstance()->statistics()->incrementNumberForKey("pimp", false);
    pingImpressionURLs();
    viewHasMadeImpression_ = true;
    startZadavaDuruReportingIfEnabled();
}

void DZSlot::willLeaveAppDueToClick() {
    if (ad_) ad_->statistics()->setObjectForKey(true, "pclb", true);
}

void DZSlot::invalidateState() {
    setState(kDZSlotStateInvalidated);
}

// Ad events.

void DZSlot::willProcessAd() {
    finishZadavaDuruReporting();
    endSwipeToViewController();
}

void DZSlot::adFailedToReceiveContentWithError(const DZRequestError::Ref& error) {
    auto hold = weak_from_this().lock();
    if (auto delegate = adLoadDelegate_.lock()) delegate->slotDidFailToLoadAdContent(*this, error);
}

void DZSlot::adFinishedLoadingContent() {
    auto hold = weak_from_this().lock();
    if (ad_ && ad_->swipeConfigurations()) scheduleSwipeToViewControllerChecker();
    if (auto delegate = adLoadDelegate_.lock()) delegate->slotFinishedLoadingAdContent(*this);
}
