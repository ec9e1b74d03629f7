#include "ads/mediation/DZMConfig.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "ads/core/DZValues.h"
#include "ads/foundation/DZDictionaryAdditions.h"
#include "ads/foundation/DZLogger.h"
#include "ads/mediation/DZMConfigValues.h"

namespace {

// At or above this a refresh interval means "never".
constexpr double kNoRefreshThreshold = 30000;
constexpr int64_t kMaxBannerAnimationType = 8;

std::optional<double> numberForKey(const nlohmann::json& dict, const std::string& key) {
    const auto found = dict.find(key);
    if (found == dict.end()) return std::nullopt;
    return dz_jsonNumberValue(*found);
}

}  // namespace

std::shared_ptr<DZMConfig> DZMConfig::initWithAppKey(const std::optional<std::string>& appKey,
                                                     const nlohmann::json& configDict,
                                                     DZRequestError::Ref* error) {
    auto config = std::make_shared<DZMConfig>();
    config->appKey_ = appKey;
    if (!config->parseConfig(configDict, error)) return nullptr;
    return config;
}

DZAdType DZMConfig::peekAdTypeFromConfig(const nlohmann::json& configDict) {
    if (const auto* type = dz_objectForKeyIfIsKindOfClass(configDict, "ad_type", DZValueKind::String))
        return adTypeFromString(type->get_ref<const std::string&>());
    return DZAdType::bannerAdTypeForSize(kDZAdSizeInvalid);
}

DZAdType DZMConfig::adTypeFromString(const std::string& value) {
    static const std::vector<std::pair<std::string, DZAdSize>> kBannerSizes = {
        {"banner", kDZAdSizeBanner},           {"largebanner", kDZAdSizeLargeBanner},
        {"mrec", kDZAdSizeMediumRectangle},    {"fullbanner", kDZAdSizeFullBanner},
        {"leaderboard", kDZAdSizeLeaderboard}, {"skyscraper", kDZAdSizeSkyscraper},
    };
    if (value == "interstitial") return DZAdType::interstitialAdType();
    for (const auto& [name, size] : kBannerSizes) {
        if (name == value) return DZAdType::bannerAdTypeForSize(size);
    }
    return DZAdType::bannerAdTypeForSize(kDZAdSizeInvalid);
}

void DZMConfig::setRefreshInterval(double seconds) {
    refreshInterval_ = (std::isnan(seconds) || seconds < 0 || seconds >= kNoRefreshThreshold) ? 0 : seconds;
}

bool DZMConfig::parseConfig(const nlohmann::json& configDict, DZRequestError::Ref* error) {
    if (!configDict.is_object()) {
        if (error) *error = DZRequestError::errorWithCode(kDZErrorMediationDataError);
        return false;
    }
    adType_ = peekAdTypeFromConfig(configDict);
    if (const auto* settings =
            dz_objectForKeyIfIsKindOfClass(configDict, "settings", DZValueKind::Dictionary))
        parseSettingsConfig(*settings);
    if (const auto* qdata = dz_objectForKeyIfIsKindOfClass(configDict, "qdata", DZValueKind::String))
        qdata_ = qdata->get_ref<const std::string&>();

    const auto* networks = dz_objectForKeyIfIsKindOfClass(configDict, "ad_networks", DZValueKind::Array);
    if (!networks) {
        if (error) *error = DZRequestError::errorWithCode(kDZErrorMediationDataError);
        return false;
    }
    for (const auto& entry : *networks) {
        if (!entry.is_object()) continue;
        if (adNetworkConfigs_.size() == kMaxNetworks) {
            DZLogger::sharedInstance()->logPublicMessage("The mediation response lists more than " +
                                                         std::to_string(kMaxNetworks) +
                                                         " ad networks; the rest are ignored.");
            break;
        }
        DZRequestError::Ref entryError;
        auto network = DZMAdNetworkConfig::initWithDictionary(entry, &entryError);
        if (network) adNetworkConfigs_.push_back(std::move(network));
        if (!entryError) continue;
        if (entryError->code() != kDZErrorMediationAdapterError) {
            if (error) *error = std::move(entryError);
            return false;
        }
        DZLogger::sharedInstance()->logPublicMessage(entryError->localizedDescription());
    }
    return true;
}

void DZMConfig::parseSettingsConfig(const nlohmann::json& settings) {
    if (auto refresh = numberForKey(settings, "refresh")) setRefreshInterval(*refresh);
    if (auto millis = numberForKey(settings, "ad_network_timeout_millis")) {
        const double seconds = *millis / 1000;
        // Not a usable wait (none, negative, NaN or endless): the default, never an instant or
        // endless time-out.
        if (!std::isfinite(seconds) || seconds <= 0) {
            adNetworkTimeout_ = kDefaultAdNetworkTimeout;
        } else {
            adNetworkTimeout_ = std::min(seconds, kMaxAdNetworkTimeout);
        }
    }
    if (auto animation = numberForKey(settings, "ad_transition_anim");
        animation && std::isfinite(*animation)) {
        const double type = std::trunc(*animation);
        if (type >= 0 && type <= kMaxBannerAnimationType) bannerAnimationType_ = static_cast<int>(type);
    }
    impressionURLs_ = dz_mediationStringList(settings, "imp_urls", kMaxURLTemplates);
    clickURLs_ = dz_mediationStringList(settings, "click_urls", kMaxURLTemplates);
    noFillURLs_ = dz_mediationStringList(settings, "nofill_urls", kMaxURLTemplates);
    if (const auto* rewards = dz_objectForKeyIfIsKindOfClass(settings, "rewards", DZValueKind::Array))
        rewards_ = *rewards;
    else if (auto given = settings.find("rewards"); given != settings.end() && !given->is_null())
        rewardsNotAList_ = true;
}

std::string DZMConfig::description() const {
    char base[64];
    std::snprintf(base, sizeof base, "<DZMConfig: %p>", static_cast<const void*>(this));
    char refresh[64];
    std::snprintf(refresh, sizeof refresh, "%f", refreshInterval_);
    std::string networks;
    for (const auto& network : adNetworkConfigs_) {
        networks += networks.empty() ? "(\n    " : ",\n    ";
        networks += network->description();
    }
    networks += networks.empty() ? "()" : "\n)";
    return std::string(base) + ":\n" + "qdata:" + qdata_.value_or("(null)") +
           " adTypeString:" + adType_.description() + " refresh:" + refresh +
           " transition:" + std::to_string(bannerAnimationType_) + " ad_networks:" + networks;
}
