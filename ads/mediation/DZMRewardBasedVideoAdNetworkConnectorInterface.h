#pragma once
// What a reward-based video adapter may ask and tell its connector: the facts of the request it
// serves (credentials, targeting, test mode, the app's extras for its network) and its answers.
//
// Questions are asked on the main thread. The adapter passes itself with every callback; those of
// an adapter that is not the connector's own, or that was told stopBeingDelegate(), are ignored.
// Callbacks may come from any thread and inside the adapter's own set-up, request or present
// call: the connector takes them on the main thread, in the order they were made.
#include <memory>

#include "ads/mediation/DZMRequestQuestions.h"
#include "platform/foundation/Error.h"

class DZAdReward;
class DZMRewardBasedVideoAdNetworkAdapter;

class DZMRewardBasedVideoAdNetworkConnectorInterface : public DZMRequestQuestions {
  public:
    // --- What the adapter tells (any thread) ---
    virtual void adapterDidSetUpRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter) = 0;
    virtual void adapterDidFailToSetUpRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter,
                                                         platform::ErrorRef error) = 0;
    virtual void adapterDidGetAdClick(DZMRewardBasedVideoAdNetworkAdapter& adapter) = 0;
    virtual void adapterDidReceiveRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter) = 0;
    virtual void adapterDidOpenRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter) = 0;
    virtual void adapterDidStartPlayingRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter) = 0;
    virtual void adapterDidCloseRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter) = 0;
    // The adapter's own reward (null: it has none to give).
    virtual void adapterDidRewardUser(DZMRewardBasedVideoAdNetworkAdapter& adapter,
                                      std::shared_ptr<const DZAdReward> reward) = 0;
    virtual void adapterWillLeaveApplication(DZMRewardBasedVideoAdNetworkAdapter& adapter) = 0;
    virtual void adapterDidFailToLoadRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter,
                                                        platform::ErrorRef error) = 0;
};
