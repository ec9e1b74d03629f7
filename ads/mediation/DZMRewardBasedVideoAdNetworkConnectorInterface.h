#pragma once
// What a reward-based video adapter may ask and tell its connector: the facts of the request it
// serves (credentials, targeting, test mode, the app's extras for its network) and its answers.
//
// Questions are asked on the main thread. The adapter passes itself with every callback; those of
// an adapter that is not the connector's own, or that was told stopBeingDelegate(), are ignored.
// Callbacks may come from any thread and inside the adapter's own set-up, request or present
// call: the connector takes them on the main thread, in the order they were made.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/foundation/Error.h"

class DZAdNetworkExtras;
class DZAdReward;
class DZMRewardBasedVideoAdNetworkAdapter;

class DZMRewardBasedVideoAdNetworkConnectorInterface {
  public:
    virtual ~DZMRewardBasedVideoAdNetworkConnectorInterface() = default;

    // --- What the adapter asks (main thread) ---
    // The network's "pubid" credential.
    virtual std::optional<std::string> publisherId() const = 0;
    // The network's credentials (an object) without the connector's own keys.
    virtual nlohmann::json credentials() const = 0;
    virtual bool testMode() const = 0;
    // The extras the app registered for the adapter's networkExtrasClass(), if any.
    virtual std::shared_ptr<DZAdNetworkExtras> networkExtras() const = 0;
    virtual std::optional<bool> childDirectedTreatment() const = 0;
    virtual long userGender() const = 0;
    virtual std::optional<std::chrono::year_month_day> userBirthday() const = 0;
    // Location facts reach an adapter only when its network entry allows location sharing.
    virtual bool userHasLocation() const = 0;
    virtual float userLatitude() const = 0;
    virtual float userLongitude() const = 0;
    virtual float userLocationAccuracyInMeters() const = 0;
    virtual std::optional<std::string> userLocationDescription() const = 0;
    virtual std::optional<std::vector<std::string>> userKeywords() const = 0;

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
