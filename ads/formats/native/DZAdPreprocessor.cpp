#include "ads/formats/native/DZAdPreprocessor.h"

#include <string_view>

#include "ads/core/DZAdType.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/formats/native/DZNativeAd.h"
#include "ads/foundation/DZInternalErrorAdditions.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZAdViewDelegate.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/dispatch/MainThread.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/web/WebEngine.h"

// The engine refuses longer page messages before they reach the bridge.
static_assert(DZAdPreprocessor::kMaxAnswerURLBytes == platform::web::WebEngine::kMaxNavigationURLBytes);

std::shared_ptr<DZAdPreprocessor> DZAdPreprocessor::create(const std::string& adUnitID) {
    auto preprocessor = std::make_shared<DZAdPreprocessor>(adUnitID);
    if (!preprocessor->slot_) return nullptr;
    preprocessor->slot_->setAdLoadDelegate(std::weak_ptr<DZSlotAdLoadDelegate>(preprocessor));
    return preprocessor;
}

DZAdPreprocessor::DZAdPreprocessor(const std::string& adUnitID) : slot_(DZSlot::create({0, 0, 320, 50})) {
    if (!slot_) return;
    slot_->setAdUnitID(adUnitID);
    slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
}

DZAdPreprocessor::~DZAdPreprocessor() {
    stopObserving();
    if (timeout_) timeout_->invalidate();
}

std::string DZAdPreprocessor::environmentJSONString() {
    return nlohmann::json{{"sdk_version", DZNativeAd::sdkVersion()}}.dump();
}

void DZAdPreprocessor::preprocessNativeAdJSON(const std::string& json, Completion completion) {
    ASSERT_MAIN_THREAD();
    completion_ = std::move(completion);
    std::string reason;
    const auto decoded = dz_decodedJSONObject(json, &reason);
    if (!decoded) {
        complete(std::nullopt, nullptr,
                 dz_errorWithCode(kDZInternalErrorInvalidArgument, "The native ad is no JSON: " + reason));
        return;
    }
    if (const std::size_t bytes = answerURLBytes(*decoded); bytes > kMaxAnswerURLBytes) {
        complete(
            std::nullopt, nullptr,
            dz_errorWithCode(kDZInternalErrorInvalidArgument,
                             "The native ad is too large: its " + std::to_string(json.size()) +
                                 " bytes would come back from the support page in " + std::to_string(bytes) +
                                 ", where at most " + std::to_string(kMaxAnswerURLBytes) + " are taken."));
        return;
    }
    nativeAdJSON_ = json;
    startTimeout(kPageLoadTimeoutSeconds);
    auto request = DZRequest::request();
    auto extras = std::make_shared<DZExtras>();
    extras->setAdditionalParameters({{"_requestUrl", DZNativeAd::supportHTMLURL()}});
    request->registerAdNetworkExtras(extras);
    slot_->loadRequest(request);
}

std::size_t DZAdPreprocessor::answerURLBytes(const nlohmann::json& ad) {
    const std::string compact = ad.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    // What a page's URL-component encoding keeps as it is; every other byte takes three.
    std::size_t bytes = ("amsg://page/" + kAnswerMessage + "?success=").size();
    for (const unsigned char c : compact)
        bytes += (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ||
                         std::string_view("-_.!~*'()").find(static_cast<char>(c)) != std::string_view::npos
                     ? 1
                     : 3;
    return bytes;
}

void DZAdPreprocessor::slotFinishedLoadingAdContent(DZSlot& slot) {
    ASSERT_MAIN_THREAD();
    auto adView = slot_->adView();
    if (!completion_ || pageLoaded_ || !adView) return;
    pageLoaded_ = true;
    const DZAdView* source = adView.get();
    std::weak_ptr<DZAdPreprocessor> weak = weak_from_this();
    observerToken_ = DZAdViewDelegate::pageMessageCenter().addObserver(
        kAnswerMessage,
        [weak, source](const platform::ui::Notification& notification) {
            // Another page's answer (another ad's support page) is not ours.
            const auto* message = static_cast<const DZUnhandledAMSGMessage*>(notification.object);
            if (!message || !message->note || message->adView != source) return;
            if (auto self = weak.lock()) self->handleAnswer(message->note->parameter("success"));
        },
        this);
    // The page's answer grows as the page works on the ad (its pictures' addresses made
    // absolute): one past what a page message takes is refused by the engine and never arrives.
    observedView_ = adView;
    adView->setOversizedMessageHandler([weak](std::size_t bytes) {
        if (auto self = weak.lock())
            self->complete(std::nullopt, nullptr,
                           dz_errorWithCode(kDZInternalErrorInvalidArgument,
                                            "The native ad is too large: the support page's answer took " +
                                                std::to_string(bytes) + " bytes, where at most " +
                                                std::to_string(kMaxAnswerURLBytes) + " are taken."));
    });
    adView->evaluateJavaScript(
        "rerive.zazo.nativeAds.preProcessJsonAmsg(" + nativeAdJSON_ + ", " + environmentJSONString() + ")",
        nullptr);
    startTimeout(kTimeoutSeconds);
}

void DZAdPreprocessor::startTimeout(double seconds) {
    if (timeout_) timeout_->invalidate();
    std::weak_ptr<DZAdPreprocessor> weak = weak_from_this();
    timeout_ = platform::MainLoopTimer::schedule(seconds, false, [weak](platform::MainLoopTimer&) {
        if (auto self = weak.lock())
            self->complete(std::nullopt, nullptr, dz_errorWithCode(kDZInternalErrorInternal, "Timed out."));
    });
}

void DZAdPreprocessor::slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) {
    complete(std::nullopt, nullptr, error ? error : DZRequestError::errorWithCode(kDZErrorInternalError));
}

void DZAdPreprocessor::handleAnswer(const std::optional<std::string>& success) {
    auto decoded = success ? dz_decodedJSONObject(*success) : std::nullopt;
    if (!decoded || !decoded->is_object()) {
        complete(std::nullopt, nullptr, DZRequestError::errorWithCode(kDZErrorReceivedInvalidResponse));
        return;
    }
    complete(std::move(decoded), slot_, nullptr);
}

void DZAdPreprocessor::complete(std::optional<nlohmann::json> answer, std::shared_ptr<DZSlot> slot,
                                platform::ErrorRef error) {
    // Whichever of answer, time-out and failure comes first is the only one delivered.
    auto completion = std::exchange(completion_, nullptr);
    stopObserving();
    if (timeout_) std::exchange(timeout_, nullptr)->invalidate();
    if (!completion) return;
    platform::DispatchQueue::main()->async([completion = std::move(completion), answer = std::move(answer),
                                            slot = std::move(slot),
                                            error] { completion(answer, slot, error); });
}

void DZAdPreprocessor::stopObserving() {
    if (observerToken_)
        DZAdViewDelegate::pageMessageCenter().removeObserver(std::exchange(observerToken_, 0));
    if (auto adView = std::exchange(observedView_, {}).lock()) adView->setOversizedMessageHandler(nullptr);
}
