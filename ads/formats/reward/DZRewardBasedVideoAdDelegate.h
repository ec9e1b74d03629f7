#pragma once
// What the app hears of its reward-based video ad; every call is optional and comes on the main
// thread, through the main loop, in the order the ad network made it.
#include <memory>

#include "ads/foundation/DZRequestError.h"

class DZAdReward;
class DZRewardBasedVideoAd;

class DZRewardBasedVideoAdDelegate {
  public:
    virtual ~DZRewardBasedVideoAdDelegate() = default;
    // A network has an ad ready: present it when the app likes.
    virtual void rewardBasedVideoAdDidReceiveAd(DZRewardBasedVideoAd&) {}
    virtual void rewardBasedVideoAdDidFailToLoad(DZRewardBasedVideoAd&, const DZRequestError::Ref&) {}
    // The network's video screen opened.
    virtual void rewardBasedVideoAdDidOpen(DZRewardBasedVideoAd&) {}
    virtual void rewardBasedVideoAdDidStartPlaying(DZRewardBasedVideoAd&) {}
    virtual void rewardBasedVideoAdDidClose(DZRewardBasedVideoAd&) {}
    // A click is about to take the user out of the app.
    virtual void rewardBasedVideoAdWillLeaveApplication(DZRewardBasedVideoAd&) {}
    // The user earned the reward (never null).
    virtual void rewardBasedVideoAdDidRewardUser(DZRewardBasedVideoAd&,
                                                 const std::shared_ptr<const DZAdReward>&) {}
};
