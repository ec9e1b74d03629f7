#include <array>
#include <utility>

#include "ads/foundation/DZDictionaryAdditions.h"
#include "ads/foundation/DZLogger.h"
#include "ads/mediation/DZMConfig.h"
#include "ads/mediation/DZMConfigValues.h"
#include "platform/foundation/ClassRegistry.h"

namespace {

// Credentials the adapters read as text: any other type would reach them as garbage, so it is
// treated as missing.
constexpr std::array<const char*, 4> kTextCredentials = {"pubid", "class_name", "zdxtym_html",
                                                         "zdxtym_passback_url"};

// The names as the log shows them: the server chooses them, and their length.
std::string joined(const std::vector<std::string>& names, const std::string& separator) {
    std::string text;
    for (const auto& name : names) {
        if (!text.empty()) text += separator;
        text += name;
        if (text.size() > kDZMaxLoggedValueBytes) break;
    }
    return dz_loggableText(text);
}

std::optional<nlohmann::json> objectCopy(const nlohmann::json& dict, const std::string& key) {
    if (const auto* value = dz_objectForKeyIfIsKindOfClass(dict, key, DZValueKind::Dictionary)) return *value;
    return std::nullopt;
}

void setError(DZRequestError::Ref* error, int32_t code, const std::string& message) {
    if (error) *error = DZRequestError::errorWithCodeCustomMessage(code, message);
}

}  // namespace

std::shared_ptr<DZMAdNetworkConfig> DZMAdNetworkConfig::initWithDictionary(const nlohmann::json& dictionary,
                                                                           DZRequestError::Ref* error) {
    const nlohmann::json* id = nullptr;
    if (dictionary.is_object()) {
        const auto found = dictionary.find("id");
        if (found != dictionary.end()) id = &*found;
    }
    if (!id) {
        setError(error, kDZErrorMediationDataError,
                 "The DiDaz Mediation response was invalid: An ad network config has no network ID.");
        return nullptr;
    }
    // A true or false "id" names no network either.
    if (!id->is_string() && !(id->is_number() && !id->is_boolean())) {
        setError(error, kDZErrorMediationDataError,
                 "The DiDaz Mediation response was invalid: An ad network config has an invalid network ID.");
        return nullptr;
    }
    auto config = std::make_shared<DZMAdNetworkConfig>();
    config->networkID_ = id->is_string() ? id->get_ref<const std::string&>() : dz_mediationDescription(*id);

    if (auto credentials = objectCopy(dictionary, "data")) {
        for (const char* key : kTextCredentials) {
            const auto found = credentials->find(key);
            if (found != credentials->end() && !found->is_string()) credentials->erase(found);
        }
        config->credentials_ = std::move(*credentials);
    }
    if (auto extras = objectCopy(dictionary, "extras")) config->extras_ = std::move(*extras);
    config->ad_ = objectCopy(dictionary, "ad");
    if (const auto* allocation =
            dz_objectForKeyIfIsKindOfClass(dictionary, "allocation_id", DZValueKind::String))
        config->allocationID_ = allocation->get_ref<const std::string&>();
    config->impressionURLs_ = dz_mediationStringList(dictionary, "imp_urls", DZMConfig::kMaxURLTemplates);
    config->clickURLs_ = dz_mediationStringList(dictionary, "clickurl", DZMConfig::kMaxURLTemplates);
    config->videoStartURLs_ =
        dz_mediationStringList(dictionary, "video_start_urls", DZMConfig::kMaxURLTemplates);
    config->rewardedUserURLs_ =
        dz_mediationStringList(dictionary, "video_complete_urls", DZMConfig::kMaxURLTemplates);

    bool truncated = false;
    config->adapterList_ =
        dz_mediationStringList(dictionary, "adapters", DZMConfig::kMaxAdapterNames, &truncated)
            .value_or(std::vector<std::string>());
    if (truncated) {
        DZLogger::sharedInstance()->logPublicFormat(
            "Ad network %s names more than %zu adapters; the rest are ignored.", config->networkID_.c_str(),
            DZMConfig::kMaxAdapterNames);
    }

    std::vector<std::string> outdated;
    for (const auto& name : config->adapterList_) {
        if (!platform::ClassRegistry::shared().contains(name)) continue;
        if (!DZMAdNetworkAdapter::classImplementsCurrentAdapterAPI(name)) {
            outdated.push_back(name);
        } else if (DZMAdNetworkAdapter::classIsAdapterClass(name)) {
            config->adapterClass_ = name;
            break;
        }
    }
    const std::string noneFound =
        config->adapterClass_ ? "" : " No valid adapters found for this ad network.";
    if (outdated.size() == 1) {
        setError(error, kDZErrorMediationAdapterError,
                 "Ad network adapter " + dz_loggableText(outdated.front()) +
                     " implements an old API. Please update the adapter." + noneFound);
    } else if (!outdated.empty()) {
        setError(error, kDZErrorMediationAdapterError,
                 "Ad network adapters (" + joined(outdated, ", ") +
                     ") implement an old API. Please update the adapters." + noneFound);
    } else if (!config->adapterClass_) {
        setError(error, kDZErrorMediationAdapterError,
                 "Cannot find an ad network adapter with the name(s): (" +
                     joined(config->adapterList_, ", ") +
                     "). Remember to link all required ad network adapters and SDKs, and set -ObjC in the "
                     "'Other Linker Flags' setting of your build target.");
    }
    return config;
}

std::optional<std::string> DZMAdNetworkConfig::publisherID() const {
    if (const auto* pubid = dz_objectForKeyIfIsKindOfClass(credentials_, "pubid", DZValueKind::String))
        return pubid->get_ref<const std::string&>();
    return std::nullopt;
}

std::string DZMAdNetworkConfig::description() const {
    const auto pubid = publisherID();
    return "networkID:" + networkID_ + " adapter:" + adapterClass_.value_or("(null)") +
           " data:" + (pubid ? *pubid : dz_mediationDescription(credentials_));
}
