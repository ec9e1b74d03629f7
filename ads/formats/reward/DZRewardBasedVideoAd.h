#pragma once
// The app's reward-based video ad: one process-wide object that loads one video ad at a time,
// shows it when it is ready and tells its delegate when the user earned a reward. The ad URL
// comes from the SDK core controller, the response is fetched by an ad fetcher, and the networks
// of the mediation response are tried in turn by the ad's own waterfall (DZRewardWaterfall).
//
// States: idle, loading, ready, shown. A load while another runs is only logged; a load while an
// ad is ready takes that ad's readiness at once; presenting does nothing unless ready, and shows
// an ad once. Main thread only.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdFetcher.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/foundation/DZRequestError.h"

class DZAd;
class DZAdReward;
class DZRequest;
class DZRewardBasedVideoAdDelegate;
class DZRewardWaterfall;
namespace platform::ui {
class ViewController;
}  // namespace platform::ui

class DZRewardBasedVideoAd : public DZSDKCoreControllerDelegate,
                             public DZAdFetcherDelegate,
                             public std::enable_shared_from_this<DZRewardBasedVideoAd> {
  public:
    // The one the app uses.
    static std::shared_ptr<DZRewardBasedVideoAd> sharedInstance();
    // A fresh one (tests).
    static std::shared_ptr<DZRewardBasedVideoAd> create();
    ~DZRewardBasedVideoAd() override;
    DZRewardBasedVideoAd(const DZRewardBasedVideoAd&) = delete;
    DZRewardBasedVideoAd& operator=(const DZRewardBasedVideoAd&) = delete;

    // userID: the app's user, passed to the server and each network (nothing: none).
    void loadRequest(const std::shared_ptr<DZRequest>& request, const std::string& adUnitID,
                     const std::optional<std::string>& userID);
    void presentFromRootViewController(const std::shared_ptr<platform::ui::ViewController>& root);
    bool isReady() const { return ready_; }
    bool isLoading() const { return requestInProgress_; }
    void setDelegate(std::weak_ptr<DZRewardBasedVideoAdDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<DZRewardBasedVideoAdDelegate> delegate() const { return delegate_.lock(); }

    const std::shared_ptr<DZRequest>& request() const { return request_; }
    const std::string& adUnitID() const { return adUnitID_; }
    const std::optional<std::string>& userID() const { return userID_; }
    const std::optional<std::string>& requestID() const { return requestID_; }
    const std::shared_ptr<DZRewardWaterfall>& waterfall() const { return waterfall_; }
    // The controller asked for ad URLs (the shared one unless set; tests give their own).
    void setSDKCoreController(std::shared_ptr<DZSDKCoreController> controller) {
        controller_ = std::move(controller);
    }

    // DZSDKCoreControllerDelegate
    std::optional<nlohmann::json> requestParameters() override;
    int requestedAdType() override { return 2; }
    void setRequestID(const std::string& requestID) override { requestID_ = requestID; }
    void loadAdURLWithParameters(const DZNotification::Parameters& parameters) override;
    void loadAd(const std::shared_ptr<DZAd>& ad, const std::map<std::string, std::string>& headers) override;
    void invalidJavaScriptRequest() override;
    void failedJavaScriptFile() override;
    void requestTimedOut() override;
    long CSIIdentifier() override { return -1; }

    // DZAdFetcherDelegate
    void adFetcherDidFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad) override;
    void adFetcherDidFailToFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad,
                                   platform::ErrorRef error, long responseCode) override;

    // What the waterfall reports (main thread).
    void adLoadedSuccessfully();
    void failedToLoadAdWithError(const DZRequestError::Ref& error);
    void reportOpen();
    void reportStartPlaying();
    void reportClose();
    void reportWillLeaveApplication();
    void reportReward(const std::shared_ptr<const DZAdReward>& reward);

    DZRewardBasedVideoAd();  // use create()

  private:
    void fetchAdForRequest();
    // True for the first answer of the core page to the load in progress.
    bool takeCoreAnswer();
    // A foreign fetch error becomes code 2 with it underneath.
    static DZRequestError::Ref asRequestError(const platform::ErrorRef& error);
    DZRequestError::Ref errorWithCode(int32_t code, const std::optional<std::string>& message) const;
    template <class Call>
    void tellDelegate(Call call);

    bool ready_ = false;
    bool requestInProgress_ = false;
    std::weak_ptr<DZRewardBasedVideoAdDelegate> delegate_;
    std::shared_ptr<DZRequest> request_;
    std::string adUnitID_;
    std::optional<std::string> userID_;
    std::optional<std::string> requestID_;
    std::shared_ptr<DZAdFetcher> adFetcher_;
    std::shared_ptr<DZRewardWaterfall> waterfall_;
    std::shared_ptr<DZSDKCoreController> controller_;
    // The core page owes the load in progress its one answer.
    bool waitingForCore_ = false;
};
