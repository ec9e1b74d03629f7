#include "ads/core/DZSDKCoreConstants.h"

#include <charconv>
#include <cmath>

#include "ads/core/DZSDKCoreHooks.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/plist/PlistArray.h"
#include "platform/plist/PlistDict.h"

namespace {

const char* const kCopied[] = {
    "bad_ad_report_path",
    "as_domains",
    "iap_equivalent_classes",
    "iap_report_format",
    "iap_retry_suffix",
    "native_ad_support_url",
    "banner_prevent_autoplay",
    "web_view_cache_max_capacity",
    "ad_key_parent_view_count",
    "enable_signed_in_ads",
    "minimum_signed_in_ads_token_lifespan",
    "content_age_weight",
    "content_length_weight",
    "space_delimited_unicode_range",
    "minimum_paragraph_length",
    "maximum_shingle_count",
    "content_queue_maximum_capacity",
    "shingle_length",
    "traversal_interval",
    "character_delimited_unicode_range",
    "csi_request_batch_size",
    "csi_reporting_probability",
    "csi_reporting_interval",
    "disable_interstitial_click_ping_on_click_navigation",
    "url_time_to_live",
    "maximum_retry_url_count",
    "ping_interval",
    "prefetch_experiment_id",
    "prefetch_enabled",
    "deeplinkplus_enabled",
};

std::string key(const std::string& name) {
    return "/rerive/ads/" + name;
}

std::optional<long long> integerValue(const std::string& text) {
    long long value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr == text.data()) return std::nullopt;
    return value;
}

// An interval the measurement can run with: a finite number of seconds, 0 to a day.
std::optional<double> interval(const nlohmann::json& value) {
    double seconds = NAN;
    if (value.is_number()) {
        seconds = value.get<double>();
    } else if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
        if (ec != std::errc()) return std::nullopt;
    }
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 86400) return std::nullopt;
    return seconds;
}

}  // namespace

DZSDKCoreConstants::Applied DZSDKCoreConstants::apply(const std::map<std::string, std::string>& given) {
    std::map<std::string, std::string> constants;
    for (const auto& [name, value] : given) {
        if (value.size() > kMaxValueBytes) {
            DZLog("SDK constant \"%s\" ignored: %zu bytes", name.substr(0, 64).c_str(), value.size());
            continue;
        }
        constants[name] = value;
    }
    auto value = [&](const std::string& name) -> std::optional<std::string> {
        auto it = constants.find(name);
        return it == constants.end() ? std::nullopt : std::optional(it->second);
    };
    auto defaults = platform::UserDefaults::standard();
    Applied applied;

    DZSDKCoreHooks::setMRAIDImplementationPaths(value("mraid_banner_path"), value("mraid_interstitial_path"),
                                                value("mraid_expanded_banner_path"));
    if (auto size = value("zadava_duru_unload_cache_size")) {
        auto number = integerValue(*size);
        if (number && *number > 0 && *number <= 64)
            applied.zadavaDuruUnloadCacheSize = static_cast<unsigned>(*number);
    }
    if (auto flag = value("use_new_web_views_for_zadava_duru")) {
        applied.useNewWebViewsForZadavaDuru = *flag == "1" || *flag == "true" || *flag == "YES";
    }
    DZSDKCoreHooks::setMRAIDRedirectDisallowed(value("mraid_disable_redirect") == "1");
    if (auto text = value("refresh_intervals")) {
        auto object = dz_decodedJSONObject(*text);
        if (object && object->is_object()) {
            if (auto it = object->find("zadava_duru_sampling_interval"); it != object->end()) {
                applied.zadavaDuruSamplingInterval = interval(*it);
            }
            if (auto it = object->find("swipe_to_view_sampling_interval"); it != object->end()) {
                applied.swipeToViewSamplingInterval = interval(*it);
            }
        }
    }
    if (auto text = value("whitelisted_ad_request_domains")) {
        auto array = dz_decodedJSONObject(*text);
        if (array && array->is_array()) {
            platform::PlistArray domains;
            for (const auto& element : *array) {
                if (element.is_string()) domains.appendString(element.get<std::string>());
            }
            defaults->setArray(key("whitelisted_ad_request_domains"), std::move(domains));
        }
    }
    if (auto text = value("clickthrough_confirm_schemes")) {
        auto object = dz_decodedJSONObject(*text);
        if (object && object->is_object()) {
            platform::PlistDict schemes;
            bool any = false;
            for (const auto& [scheme, confirm] : object->items()) {
                if (!confirm.is_string()) continue;
                schemes.setString(scheme, confirm.get<std::string>());
                any = true;
            }
            if (any) defaults->setDictionary(key("clickthrough_confirm_schemes"), std::move(schemes));
        }
    }
    for (const char* name : kCopied) {
        auto text = value(name);
        if (text && !text->empty()) defaults->setString(key(name), *text);
    }

    DZSDKCoreHooks::updateCharacterSets();
    if (auto text = value("adapter_class_names")) {
        auto names = dz_decodedJSONObject(*text);
        std::vector<std::string> list;
        if (names && names->is_array()) {
            for (const auto& name : *names) {
                if (name.is_string()) list.push_back(name.get<std::string>());
            }
        }
        DZApplication::sharedInstance()->updateAvailableAdapterNamesWithPotentialAdapterNames(list);
    } else {
        DZApplication::sharedInstance()->updateAvailableAdapterNamesWithPotentialAdapterNames(std::nullopt);
    }
    DZSDKCoreHooks::refreshSignedInUser();
    return applied;
}
