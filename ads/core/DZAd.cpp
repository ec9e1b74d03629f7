#include "ads/core/DZAd.h"

#include <algorithm>
#include <cmath>

#include "ads/core/DZAdCoreHooks.h"
#include "ads/foundation/DZViewUtilities.h"
#include "platform/url/Url.h"

namespace {

const std::string* stringAt(const nlohmann::json& dictionary, const char* key) {
    auto it = dictionary.find(key);
    return it != dictionary.end() && it->is_string() ? &it->get_ref<const std::string&>() : nullptr;
}

// The text when it is an http or https URL: a creative's base or passback of another scheme
// would give it a local origin.
std::optional<std::string> webURL(const std::string* text) {
    if (!text) return std::nullopt;
    auto url = platform::Url::parse(*text);
    if (!url || !url->isWeb()) return std::nullopt;
    return url->text();
}

std::vector<std::string> stringsAt(const nlohmann::json& dictionary, const char* key) {
    std::vector<std::string> texts;
    auto it = dictionary.find(key);
    if (it == dictionary.end() || !it->is_array()) return texts;
    for (const auto& entry : *it) {
        if (entry.is_string()) texts.push_back(entry.get<std::string>());
    }
    return texts;
}

}  // namespace

DZAd::DZAd(const nlohmann::json& dictionary) {
    if (!dictionary.is_object()) return;
    const std::string* html = stringAt(dictionary, "ad_html");
    auto base = webURL(stringAt(dictionary, "ad_base_url"));
    if (html && !html->empty() && base) {
        adHTML_ = *html;
        adBaseURL_ = std::move(base);
    } else {
        adURL_ = webURL(stringAt(dictionary, "ad_url"));
    }
    if (auto json = dictionary.find("ad_json"); json != dictionary.end() && json->is_object() && !adHTML_) {
        try {
            adHTML_ = json->dump();
        } catch (const nlohmann::json::exception&) {
            // Text that is not UTF-8 cannot be written: no HTML.
        }
    }
    if (const std::string* size = stringAt(dictionary, "ad_size"))
        size_ = DZAdSizeFromCGSize(DZCGSizeFromAdSizeString(*size));
    if (const std::string* orientation = stringAt(dictionary, "orientation")) {
        if (const unsigned mask = DZInterfaceOrientationMaskFromString(*orientation))
            supportedOrientations_ = mask;
    }
    if (auto js = dictionary.find("ad_is_javascript");
        js != dictionary.end() && (js->is_number() || js->is_boolean())) {
        hasAdNetworkJavaScript_ = js->is_boolean() ? js->get<bool>() : js->get<double>() != 0;
        if (hasAdNetworkJavaScript_) adNetworkPassbackURL_ = webURL(stringAt(dictionary, "ad_passback_url"));
    }
    if (const std::string* dialog = stringAt(dictionary, "debug_dialog")) debugDialog_ = *dialog;
    if (auto zd = dictionary.find("zadava_duru"); zd != dictionary.end()) setZadavaDuruConfigurations(*zd);
    if (auto swipe = dictionary.find("swipe_to_viewcontroller"); swipe != dictionary.end())
        setSwipeToViewControllerConfigurations(*swipe);
    clickURLs_.add(stringsAt(dictionary, "click_urls"));
    impressionURLs_.add(stringsAt(dictionary, "impression_urls"));
    manualImpressionURLs_.add(stringsAt(dictionary, "manual_impression_urls"));
}

void DZAd::setZadavaDuruConfigurations(std::optional<nlohmann::json> configurations) {
    // Only an object: the measurement reads it as one.
    if (configurations && !configurations->is_object()) configurations.reset();
    zadavaDuruConfigurations_ = std::move(configurations);
}

void DZAd::setSwipeToViewControllerConfigurations(std::optional<nlohmann::json> settings) {
    if (!settings || !settings->is_object() || settings->empty()) return;
    swipeSettings_ = std::move(settings);
    if (DZAdCoreHooks::makeSwipeToViewControllerConfigurations)
        DZAdCoreHooks::makeSwipeToViewControllerConfigurations(*this, *swipeSettings_);
}

bool DZAd::setReloadInterval(double seconds) {
    if (!std::isfinite(seconds) || std::signbit(seconds)) return false;
    reloadInterval_ = std::min(seconds, kDZMaxReloadInterval);
    return true;
}

nlohmann::json DZAd::dictionaryRepresentation() const {
    auto optional = [](const std::optional<std::string>& text) {
        return text ? nlohmann::json(*text) : nlohmann::json();
    };
    return {
        {"responseType", responseType_},
        {"adHTML", optional(adHTML_)},
        {"adBaseURL", optional(adBaseURL_)},
        {"adURL", optional(adURL_)},
        {"clickURLs", clickURLs_.urls()},
        {"impressionURLs", impressionURLs_.urls()},
        {"manualImpressionURLs", manualImpressionURLs_.urls()},
        {"reloadInterval", reloadInterval_},
        {"customAdSizeString", optional(customAdSizeString_)},
        {"supportedOrientations", supportedOrientations_},
        {"fluid", fluid_},
        {"scrollEnabled", scrollEnabled_},
        {"debugDialog", optional(debugDialog_)},
        {"zadavaDuruConfigurations",
         zadavaDuruConfigurations_ ? *zadavaDuruConfigurations_ : nlohmann::json()},
        {"swipeToViewControllerConfigurations", swipeSettings_ ? *swipeSettings_ : nlohmann::json()},
        {"responseHeaders", responseHeaders_},
        {"size", {{"width", size_.size.width}, {"height", size_.size.height}, {"flags", size_.flags}}},
    };
}

void DZAd::removeAllImpressionURLs() {
    rememberPinged(impressionURLs_.urls());
    impressionURLs_.clear();
}

void DZAd::removeAllManualImpressionURLs() {
    rememberPinged(manualImpressionURLs_.urls());
    manualImpressionURLs_.clear();
}

void DZAd::rememberPinged(const std::vector<std::string>& urls) {
    for (const auto& url : urls)
        if (std::find(pingedImpressionURLs_.begin(), pingedImpressionURLs_.end(), url) ==
            pingedImpressionURLs_.end())
            pingedImpressionURLs_.push_back(url);
}

std::vector<std::string> DZAd::billedURLs() const {
    std::vector<std::string> urls = clickURLs_.urls();
    for (const auto* list : {&impressionURLs_.urls(), &manualImpressionURLs_.urls(), &pingedImpressionURLs_})
        urls.insert(urls.end(), list->begin(), list->end());
    return urls;
}
