#include "ads/formats/reward/DZRewardBasedVideoAd.h"

#include <mutex>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdReward.h"
#include "ads/core/DZRequest.h"
#include "ads/formats/reward/DZRewardBasedVideoAdDelegate.h"
#include "ads/formats/reward/DZRewardWaterfall.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLRequestUtilities.h"
#include "platform/dispatch/MainThread.h"
#include "platform/url/Url.h"

std::shared_ptr<DZRewardBasedVideoAd> DZRewardBasedVideoAd::sharedInstance() {
    static std::shared_ptr<DZRewardBasedVideoAd> shared;
    static std::once_flag once;
    std::call_once(once, [] { shared = create(); });
    return shared;
}

std::shared_ptr<DZRewardBasedVideoAd> DZRewardBasedVideoAd::create() {
    auto ad = std::make_shared<DZRewardBasedVideoAd>();
    ad->waterfall_ = std::make_shared<DZRewardWaterfall>(ad);
    return ad;
}

DZRewardBasedVideoAd::DZRewardBasedVideoAd() = default;

DZRewardBasedVideoAd::~DZRewardBasedVideoAd() {
    if (adFetcher_) adFetcher_->cancel();
}

template <class Call>
void DZRewardBasedVideoAd::tellDelegate(Call call) {
    auto hold = shared_from_this();
    if (auto delegate = delegate_.lock()) call(*delegate);
}

DZRequestError::Ref DZRewardBasedVideoAd::errorWithCode(int32_t code,
                                                        const std::optional<std::string>& message) const {
    const nlohmann::json parameters = request_ ? request_->copy()->parameters() : nlohmann::json();
    return DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(code, parameters, 0, message);
}

DZRequestError::Ref DZRewardBasedVideoAd::asRequestError(const platform::ErrorRef& error) {
    if (auto requestError = std::dynamic_pointer_cast<const DZRequestError>(error)) return requestError;
    return DZRequestError::errorWithCodeUnderlyingError(kDZErrorNetworkError, error);
}

// --- The public side ---

void DZRewardBasedVideoAd::loadRequest(const std::shared_ptr<DZRequest>& request, const std::string& adUnitID,
                                       const std::optional<std::string>& userID) {
    ASSERT_MAIN_THREAD();
    if (requestInProgress_) {
        DZLogger::sharedInstance()->logPublicMessage(
            "Ignoring request. Another request is already in progress.");
        return;
    }
    auto hold = shared_from_this();
    requestInProgress_ = true;
    ready_ = false;
    request_ = request ? request : DZRequest::request();
    adUnitID_ = adUnitID;
    userID_ = userID;
    requestID_.reset();
    fetchAdForRequest();
}

void DZRewardBasedVideoAd::fetchAdForRequest() {
    nlohmann::json extras = request_->networkExtrasAdditionalParameters();
    if (extras.is_object()) {
        if (auto given = extras.find("_ad"); given != extras.end() && given->is_object()) {
            const DZAd reserved(*given);
            if (reserved.adURL()) {
                waitingForCore_ = true;
                return loadAdURLWithParameters({{"url", *reserved.adURL()}});
            }
        }
    }
    waitingForCore_ = true;
    auto controller = controller_ ? controller_ : DZSDKCoreController::sharedInstance();
    controller->buildAdURL(shared_from_this());
}

void DZRewardBasedVideoAd::presentFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    ASSERT_MAIN_THREAD();
    if (requestInProgress_ || !ready_) return;
    auto hold = shared_from_this();
    ready_ = false;
    waterfall_->presentFromViewController(root);
}

// --- The ad-URL path ---

std::optional<nlohmann::json> DZRewardBasedVideoAd::requestParameters() {
    nlohmann::json parameters = request_ ? request_->parameters() : nlohmann::json::object();
    if (!parameters.is_object()) parameters = nlohmann::json::object();
    if (userID_) parameters["rbv_user_id"] = *userID_;
    if (!adUnitID_.empty()) parameters["slotname"] = adUnitID_;
    parameters["rbv"] = "1";
    if (requestID_) parameters["request_id"] = *requestID_;
    parameters["format"] = "reward_mb";
    return parameters;
}

bool DZRewardBasedVideoAd::takeCoreAnswer() {
    if (!waitingForCore_ || !requestInProgress_) return false;
    waitingForCore_ = false;
    return true;
}

void DZRewardBasedVideoAd::loadAdURLWithParameters(const DZNotification::Parameters& parameters) {
    if (!takeCoreAnswer()) return;
    auto hold = shared_from_this();
    if (parameters.count("errors"))
        return failedToLoadAdWithError(errorWithCode(kDZErrorInvalidRequest, std::nullopt));
    const auto url = parameters.find("url");
    const auto parsed = url == parameters.end() ? std::nullopt : platform::Url::parse(url->second);
    if (!parsed || !parsed->isWeb())
        return failedToLoadAdWithError(errorWithCode(
            kDZErrorReceivedInvalidResponse, std::string("The SDK core gave no http or https ad URL")));
    auto fetcher = DZAdFetcher::create();
    adFetcher_ = fetcher;
    platform::ErrorRef error;
    if (!fetcher->fetchRequestURL(dz_requestForURL(url->second, std::nullopt, std::nullopt, std::nullopt),
                                  weak_from_this(), &error)) {
        if (adFetcher_ == fetcher) adFetcher_.reset();
        failedToLoadAdWithError(error ? asRequestError(error)
                                      : errorWithCode(kDZErrorInternalError, std::nullopt));
    }
}

void DZRewardBasedVideoAd::loadAd(const std::shared_ptr<DZAd>&, const std::map<std::string, std::string>&) {
    if (!takeCoreAnswer()) return;
    failedToLoadAdWithError(errorWithCode(
        kDZErrorInternalError, std::string("Error loading ad. Check with ReriveDiDazAdSDK support team.")));
}

void DZRewardBasedVideoAd::invalidJavaScriptRequest() {
    if (!takeCoreAnswer()) return;
    failedToLoadAdWithError(
        errorWithCode(kDZErrorInvalidRequest, std::string("Request object configured wrong.")));
}

void DZRewardBasedVideoAd::failedJavaScriptFile() {
    if (!takeCoreAnswer()) return;
    failedToLoadAdWithError(errorWithCode(kDZErrorNetworkError, std::string("No network connection.")));
}

void DZRewardBasedVideoAd::requestTimedOut() {
    if (!takeCoreAnswer()) return;
    failedToLoadAdWithError(errorWithCode(kDZErrorTimeout, std::nullopt));
}

void DZRewardBasedVideoAd::adFetcherDidFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad) {
    if (adFetcher_.get() != &fetcher) return;
    auto hold = shared_from_this();
    adFetcher_.reset();
    waterfall_->processMediationAd(ad, request_, userID_);
}

void DZRewardBasedVideoAd::adFetcherDidFailToFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>&,
                                                     platform::ErrorRef error, long) {
    if (adFetcher_.get() != &fetcher) return;
    auto hold = shared_from_this();
    adFetcher_.reset();
    failedToLoadAdWithError(error ? asRequestError(error)
                                  : errorWithCode(kDZErrorInternalError, std::nullopt));
}

// --- What the waterfall reports ---

void DZRewardBasedVideoAd::adLoadedSuccessfully() {
    if (!requestInProgress_) return;
    requestInProgress_ = false;
    ready_ = true;
    tellDelegate([this](DZRewardBasedVideoAdDelegate& d) { d.rewardBasedVideoAdDidReceiveAd(*this); });
}

void DZRewardBasedVideoAd::failedToLoadAdWithError(const DZRequestError::Ref& error) {
    if (!requestInProgress_) return;
    requestInProgress_ = false;
    ready_ = false;
    waitingForCore_ = false;
    waterfall_->cancel();
    tellDelegate(
        [this, &error](DZRewardBasedVideoAdDelegate& d) { d.rewardBasedVideoAdDidFailToLoad(*this, error); });
}

void DZRewardBasedVideoAd::reportOpen() {
    tellDelegate([this](DZRewardBasedVideoAdDelegate& d) { d.rewardBasedVideoAdDidOpen(*this); });
}
void DZRewardBasedVideoAd::reportStartPlaying() {
    tellDelegate([this](DZRewardBasedVideoAdDelegate& d) { d.rewardBasedVideoAdDidStartPlaying(*this); });
}
void DZRewardBasedVideoAd::reportClose() {
    tellDelegate([this](DZRewardBasedVideoAdDelegate& d) { d.rewardBasedVideoAdDidClose(*this); });
}
void DZRewardBasedVideoAd::reportWillLeaveApplication() {
    tellDelegate(
        [this](DZRewardBasedVideoAdDelegate& d) { d.rewardBasedVideoAdWillLeaveApplication(*this); });
}
void DZRewardBasedVideoAd::reportReward(const std::shared_ptr<const DZAdReward>& reward) {
    if (!reward) return;
    tellDelegate([this, &reward](DZRewardBasedVideoAdDelegate& d) {
        d.rewardBasedVideoAdDidRewardUser(*this, reward);
    });
}
