#include "ads/core/slot/DZSDKCoreConstants.h"

#include <charconv>
#include <cmath>

#include "ads/foundation/DZStringAdditions.h"

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
    "enable_auto_click_protection",
};

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

std::optional<std::vector<std::string>> stringArray(const std::optional<std::string>& text) {
    auto array = text ? dz_decodedJSONObject(*text) : std::nullopt;
    if (!array || !array->is_array()) return std::nullopt;
    std::vector<std::string> strings;
    for (const auto& element : *array) {
        if (element.is_string()) strings.push_back(element.get<std::string>());
    }
    return strings;
}

}  // namespace

DZSDKCoreConstants::Reading DZSDKCoreConstants::read(const std::map<std::string, std::string>& given) {
    Reading reading;
    std::map<std::string, std::string> constants;
    for (const auto& [name, value] : given) {
        if (value.size() > kMaxValueBytes) {
            reading.ignored.push_back(name);
        } else {
            constants[name] = value;
        }
    }
    auto value = [&](const std::string& name) -> std::optional<std::string> {
        auto it = constants.find(name);
        return it == constants.end() ? std::nullopt : std::optional(it->second);
    };

    reading.mraidBannerPath = value("mraid_banner_path");
    reading.mraidInterstitialPath = value("mraid_interstitial_path");
    reading.mraidExpandedBannerPath = value("mraid_expanded_banner_path");
    if (auto size = value("zadava_duru_unload_cache_size")) {
        auto number = integerValue(*size);
        if (number && *number > 0 && *number <= 64) {
            reading.applied.zadavaDuruUnloadCacheSize = static_cast<unsigned>(*number);
        }
    }
    if (auto flag = value("use_new_web_views_for_zadava_duru")) {
        reading.applied.useNewWebViewsForZadavaDuru = *flag == "1" || *flag == "true" || *flag == "YES";
    }
    reading.mraidRedirectDisallowed = value("mraid_disable_redirect") == "1";
    if (auto text = value("refresh_intervals")) {
        auto object = dz_decodedJSONObject(*text);
        if (object && object->is_object()) {
            if (auto it = object->find("zadava_duru_sampling_interval"); it != object->end()) {
                reading.applied.zadavaDuruSamplingInterval = interval(*it);
            }
            if (auto it = object->find("swipe_to_view_sampling_interval"); it != object->end()) {
                reading.applied.swipeToViewSamplingInterval = interval(*it);
            }
        }
    }
    reading.whitelistedDomains = stringArray(value("whitelisted_ad_request_domains"));
    if (auto text = value("clickthrough_confirm_schemes")) {
        auto object = dz_decodedJSONObject(*text);
        if (object && object->is_object()) {
            std::map<std::string, std::string> schemes;
            for (const auto& [scheme, confirm] : object->items()) {
                if (confirm.is_string()) schemes[scheme] = confirm.get<std::string>();
            }
            if (!schemes.empty()) reading.clickthroughConfirmSchemes = std::move(schemes);
        }
    }
    for (const char* name : kCopied) {
        auto text = value(name);
        if (text && !text->empty()) reading.copied[name] = *text;
    }
    reading.adapterClassNames = stringArray(value("adapter_class_names"));
    return reading;
}
