#pragma once
// The reward-based video ad's own waterfall over the networks of a mediation response. Its
// connectors are kept from load to load, one per adapter class, set up ahead of their turn; each
// network gets one time-out for its set-up and its ad request together. A set-up still pending
// past the time-out when the next response comes is dropped and made afresh.
//
// Every request is numbered and its time-out cancelled when the waterfall moves on, so a time-out
// left from an earlier request never ends a later one. A whole load runs at most as long as the
// slots' waterfalls do (DZMAdManager::kMaxWaterfallSeconds): past that it ends in no fill. Each request hands
// the connector the entry it is for and the current configuration. A shown ad keeps its connector's link
// until the video closes: its reward and close still reach the app when a new load has begun.
//
// It reports to its ad (which it does not own). Main thread only.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/DZRequestError.h"
#include "ads/mediation/DZMRewardBasedVideoAdConnectorDelegate.h"

class DZAd;
class DZMAdNetworkConfig;
class DZMConfig;
class DZMRewardBasedVideoAdNetworkConnector;
class DZRequest;
class DZRewardBasedVideoAd;
namespace platform {
class MainLoopTimer;
namespace ui {
class ViewController;
}  // namespace ui
}  // namespace platform

class DZRewardWaterfall : public DZMRewardBasedVideoAdConnectorDelegate,
                          public std::enable_shared_from_this<DZRewardWaterfall> {
  public:
    explicit DZRewardWaterfall(std::weak_ptr<DZRewardBasedVideoAd> ad);
    ~DZRewardWaterfall() override;
    DZRewardWaterfall(const DZRewardWaterfall&) = delete;
    DZRewardWaterfall& operator=(const DZRewardWaterfall&) = delete;

    // Runs the waterfall over the fetched response for this request and user.
    void processMediationAd(const std::shared_ptr<DZAd>& ad, const std::shared_ptr<DZRequest>& request,
                            const std::optional<std::string>& userID);
    // The response as a JSON object, or the load's error (13 not a JSON mediation response or no
    // object, 7 undecodable).
    static std::optional<nlohmann::json> parseJSONResponseFromAd(const DZAd& ad,
                                                                 const nlohmann::json& requestParameters,
                                                                 DZRequestError::Ref* error);
    // Shows the received ad; false when there is none.
    bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& root);
    // A load was given up (nothing asked from here on is taken).
    void cancel();

    const std::shared_ptr<DZMConfig>& mediationConfig() const { return mediationConfig_; }
    const std::map<std::string, std::shared_ptr<DZMRewardBasedVideoAdNetworkConnector>>& connectors() const {
        return connectors_;
    }
    const std::shared_ptr<DZMRewardBasedVideoAdNetworkConnector>& requestingConnector() const {
        return requesting_.connector;
    }
    const std::shared_ptr<DZMRewardBasedVideoAdNetworkConnector>& receivedConnector() const {
        return received_;
    }
    bool isSetUpPending(const std::string& adapterClassName) const {
        return pendingSetUpTimestamp_.count(adapterClassName) != 0;
    }

    // DZMRewardBasedVideoAdConnectorDelegate
    void connectorDidSetUpRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector) override;
    void connectorDidFailToSetUpRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector,
                                                   platform::ErrorRef error) override;
    void connectorDidReceiveRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector) override;
    void connectorDidFailToReceiveRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector,
                                                     platform::ErrorRef error) override;
    void connectorDidReceiveClick(DZMRewardBasedVideoAdNetworkConnector& connector) override;
    void connectorDidRewardUser(DZMRewardBasedVideoAdNetworkConnector& connector,
                                const std::shared_ptr<const DZAdReward>& reward) override;
    void connectorDidOpenRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector) override;
    void connectorDidStartPlayingRewardBasedVideoAd(
        DZMRewardBasedVideoAdNetworkConnector& connector) override;
    void connectorDidCloseRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector) override;
    void connectorWillLeaveApplication(DZMRewardBasedVideoAdNetworkConnector& connector) override;

  private:
    struct Turn {
        std::shared_ptr<DZMRewardBasedVideoAdNetworkConnector> connector;
        std::shared_ptr<DZMAdNetworkConfig> network;
    };
    void setUpAdapters();
    void removeStaleConnectors();
    void buildPendingAdRequestConnectorsList();
    void makeNextAdRequest();
    void requestAdFromConnector(const Turn& turn);
    void requestTimedOut(std::uint64_t number);
    void loadTimedOut();
    void stopLoadTimeout();
    void moveOn();
    void failLoad(int32_t code, const std::string& message);
    void pingNoFillURLs() const;
    void pingConfigURLs(const std::shared_ptr<DZMConfig>& config,
                        const std::optional<std::vector<std::string>>& templates,
                        const std::string& defaultTemplate) const;
    bool isRequesting(const DZMRewardBasedVideoAdNetworkConnector& connector) const {
        return requesting_.connector.get() == &connector;
    }

    std::weak_ptr<DZRewardBasedVideoAd> ad_;
    std::shared_ptr<DZMConfig> mediationConfig_;
    std::shared_ptr<DZRequest> request_;
    std::optional<std::string> userID_;
    std::vector<Turn> pending_;
    Turn requesting_;
    std::uint64_t requestNumber_ = 0;
    std::shared_ptr<platform::MainLoopTimer> timeout_;
    // The whole load's.
    std::shared_ptr<platform::MainLoopTimer> loadTimeout_;
    std::shared_ptr<DZMRewardBasedVideoAdNetworkConnector> received_;
    // Adapter class name to the millisecond its set-up began; only while it is pending.
    std::map<std::string, std::uint64_t> pendingSetUpTimestamp_;
    std::map<std::string, std::shared_ptr<DZMRewardBasedVideoAdNetworkConnector>> connectors_;
    // Connectors whose video is on screen, held until it closes.
    std::vector<std::shared_ptr<DZMRewardBasedVideoAdNetworkConnector>> shown_;
    bool active_ = false;
};
