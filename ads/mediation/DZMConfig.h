#pragma once
// One mediation response, parsed: the ad type, the waterfall's settings (refresh, time-out per
// network, banner transition, ping URL templates, rewards), the server's opaque "qdata" and the
// networks to try in order. Nothing changes it after parsing but the waterfall's reset of an
// invalid ad type. Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdType.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"

class DZMAdNetworkConfig;

class DZMConfig {
  public:
    // What one response may hold at the most; the rest is ignored (one log line each).
    static constexpr std::size_t kMaxNetworks = 100;
    static constexpr std::size_t kMaxAdapterNames = 32;
    // Ping URL templates per list: each becomes a request on every impression or click.
    static constexpr std::size_t kMaxURLTemplates = 32;
    static constexpr double kDefaultAdNetworkTimeout = 10;
    static constexpr double kMaxAdNetworkTimeout = 600;

    // Null with `error` set when the response cannot be used (no network list, a network without
    // a usable "id", a body that is no JSON object: code 7).
    static std::shared_ptr<DZMConfig> initWithAppKey(const std::optional<std::string>& appKey,
                                                     const nlohmann::json& configDict,
                                                     DZRequestError::Ref* error);
    // The type "ad_type" names (an invalid banner type for anything unknown).
    static DZAdType peekAdTypeFromConfig(const nlohmann::json& configDict);
    static DZAdType adTypeFromString(const std::string& value);
    std::string description() const;

    const std::optional<std::string>& appKey() const { return appKey_; }
    const std::vector<std::shared_ptr<DZMAdNetworkConfig>>& adNetworkConfigs() const {
        return adNetworkConfigs_;
    }
    double refreshInterval() const { return refreshInterval_; }
    // 30000 seconds or more, a negative or no number: 0 (no refresh).
    void setRefreshInterval(double seconds);
    int bannerAnimationType() const { return bannerAnimationType_; }
    // Seconds, within (0, kMaxAdNetworkTimeout]; anything else read gives the default.
    double adNetworkTimeout() const { return adNetworkTimeout_; }
    const std::optional<std::vector<std::string>>& impressionURLs() const { return impressionURLs_; }
    const std::optional<std::vector<std::string>>& clickURLs() const { return clickURLs_; }
    const std::optional<std::vector<std::string>>& noFillURLs() const { return noFillURLs_; }
    // Strings only.
    const std::optional<std::string>& qdata() const { return qdata_; }
    const DZAdType& adType() const { return adType_; }
    void setAdType(const DZAdType& type) { adType_ = type; }
    const std::optional<nlohmann::json>& rewards() const { return rewards_; }
    // Whether the settings gave "rewards" as something other than a list (null counts as none):
    // a reward-based video then gives the network's reward, and says why.
    bool rewardsNotAList() const { return rewardsNotAList_; }

  private:
    std::optional<std::string> appKey_;
    std::vector<std::shared_ptr<DZMAdNetworkConfig>> adNetworkConfigs_;
    double refreshInterval_ = 0;
    int bannerAnimationType_ = 8;
    double adNetworkTimeout_ = kDefaultAdNetworkTimeout;
    std::optional<std::vector<std::string>> impressionURLs_, clickURLs_, noFillURLs_;
    std::optional<std::string> qdata_;
    DZAdType adType_ = DZAdType::bannerAdTypeForSize(kDZAdSizeInvalid);
    std::optional<nlohmann::json> rewards_;
    bool rewardsNotAList_ = false;

    bool parseConfig(const nlohmann::json& configDict, DZRequestError::Ref* error);
    void parseSettingsConfig(const nlohmann::json& settings);
};

// One network of a mediation response.
class DZMAdNetworkConfig {
  public:
    // Null only for a missing or unusable "id" (error code 7); a network whose adapters are all
    // missing or outdated is made, with error code 8 and no adapter class.
    static std::shared_ptr<DZMAdNetworkConfig> initWithDictionary(const nlohmann::json& dictionary,
                                                                  DZRequestError::Ref* error);
    std::string description() const;

    const std::string& networkID() const { return networkID_; }
    const nlohmann::json& credentials() const { return credentials_; }  // an object, maybe empty
    const nlohmann::json& extras() const { return extras_; }            // an object, maybe empty
    const std::optional<nlohmann::json>& ad() const { return ad_; }
    const std::vector<std::string>& adapterList() const { return adapterList_; }
    // The registered adapter chosen (platform::ClassRegistry name), if any.
    const std::optional<std::string>& adapterClass() const { return adapterClass_; }
    const std::optional<std::string>& allocationID() const { return allocationID_; }
    const std::optional<std::vector<std::string>>& impressionURLs() const { return impressionURLs_; }
    const std::optional<std::vector<std::string>>& clickURLs() const { return clickURLs_; }
    const std::optional<std::vector<std::string>>& videoStartURLs() const { return videoStartURLs_; }
    const std::optional<std::vector<std::string>>& rewardedUserURLs() const { return rewardedUserURLs_; }
    // The credentials' "pubid" when it is a string.
    std::optional<std::string> publisherID() const;

  private:
    std::string networkID_;
    nlohmann::json credentials_ = nlohmann::json::object();
    nlohmann::json extras_ = nlohmann::json::object();
    std::optional<nlohmann::json> ad_;
    std::vector<std::string> adapterList_;
    std::optional<std::string> adapterClass_;
    std::optional<std::string> allocationID_;
    std::optional<std::vector<std::string>> impressionURLs_, clickURLs_, videoStartURLs_, rewardedUserURLs_;
};
