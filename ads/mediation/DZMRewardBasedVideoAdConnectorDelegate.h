#pragma once
// What a reward-based video connector reports upward. Two parties implement it and the connector
// holds each weakly: the waterfall that asks it for ads (set-up, received, failed), and, only
// while its video is shown, the shown ad (click, reward, open, start, close, leaving the app).
// A connector reports the shown ad's events to the shown link alone, so a load begun while the
// video plays does not take them away. Main thread only.
#include <memory>

#include "platform/foundation/Error.h"

class DZAdReward;
class DZMRewardBasedVideoAdNetworkConnector;

class DZMRewardBasedVideoAdConnectorDelegate {
  public:
    virtual ~DZMRewardBasedVideoAdConnectorDelegate() = default;

    // --- The waterfall's side ---
    virtual void connectorDidSetUpRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector) = 0;
    virtual void connectorDidFailToSetUpRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector,
                                                           platform::ErrorRef error) = 0;
    virtual void connectorDidReceiveRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector) = 0;
    virtual void connectorDidFailToReceiveRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector,
                                                             platform::ErrorRef error) = 0;

    // --- The shown ad's side (the connector's mediation configuration is the one it was shown
    // with) ---
    virtual void connectorDidReceiveClick(DZMRewardBasedVideoAdNetworkConnector& connector) = 0;
    // The adapter's reward (may be null).
    virtual void connectorDidRewardUser(DZMRewardBasedVideoAdNetworkConnector& connector,
                                        const std::shared_ptr<const DZAdReward>& reward) = 0;
    virtual void connectorDidOpenRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector) = 0;
    virtual void connectorDidStartPlayingRewardBasedVideoAd(
        DZMRewardBasedVideoAdNetworkConnector& connector) = 0;
    // After this the connector holds no shown link.
    virtual void connectorDidCloseRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkConnector& connector) = 0;
    virtual void connectorWillLeaveApplication(DZMRewardBasedVideoAdNetworkConnector& connector) = 0;
};
