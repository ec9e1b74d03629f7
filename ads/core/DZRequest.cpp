#include "ads/core/DZRequest.h"

#include <cstdio>
#include <mutex>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdCoreHooks.h"
#include "ads/core/DZBuildIdentifier.h"
#include "ads/core/DZSignalCollector.h"
#include "ads/core/DZSwipeToViewControllerConfigurations.h"
#include "ads/core/DZValues.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNetwork.h"
#include "ads/foundation/DZSDKVersion.h"

namespace {

DZSignalCollector* testCollector = nullptr;

std::optional<std::string> trimmed(const std::string& text) {
    const char* space = " \t\n\r\v\f";
    const auto first = text.find_first_not_of(space);
    if (first == std::string::npos) return std::nullopt;
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// The one key=value pair of the signal collector, when it has one.
std::optional<std::pair<std::string, std::string>> signalEntry() {
    DZSignalCollector& collector = testCollector ? *testCollector : DZSignalCollector::sharedInstance();
    collector.initialiseWithSDKVersion(DZRequest::sdkVersion());
    std::string signal;
    if (collector.requestSignal(signal) != DZSignalCollector::kStatusSuccess) return std::nullopt;
    const auto equals = signal.find('=');
    if (equals == std::string::npos || equals == 0) return std::nullopt;
    const auto end = signal.find('=', equals + 1);
    std::string value =
        signal.substr(equals + 1, end == std::string::npos ? std::string::npos : end - equals - 1);
    if (value.empty()) return std::nullopt;
    return std::make_pair(signal.substr(0, equals), std::move(value));
}

}  // namespace

DZRequest::DZRequest() {
    static std::once_flag once;
    std::call_once(once, [] {
        // An ad's swipe settings become its configurations, unless the app put its own hook in
        // (the server's sampling switch is joined by the slot layer, which owns the sampler).
        if (!DZAdCoreHooks::makeSwipeToViewControllerConfigurations) {
            DZAdCoreHooks::makeSwipeToViewControllerConfigurations = [](DZAd& ad,
                                                                        const nlohmann::json& settings) {
                ad.setSwipeConfigurations(DZSwipeToViewControllerConfigurations::create(settings));
            };
        }
        DZApplication::sharedInstance()->runEarlyActivities();
    });
}

std::shared_ptr<DZRequest> DZRequest::request() {
    return std::make_shared<DZRequest>();
}

const std::string& DZRequest::sdkVersion() {
    static const std::string version = kDZSDKVersion;
    return version;
}

int DZRequest::requestTypeFromString(const std::string& text) {
    if (text == "didaz") return 2;
    if (text == "xfp") return 3;
    if (text == "dedovoz") return 1;
    return 0;
}

std::string DZRequest::sdkVersionIdentifiers() {
    const std::string identifier = "rc.1";
    return identifier.empty() ? "" : "-" + identifier;
}

std::string DZRequest::sdkVersionMetadata() {
    const std::string build = kDZBuildIdentifier;
    return build.empty() ? "" : "+" + build;
}

const std::string& DZRequest::extendedSDKVersionNumber() {
    static const std::string version = sdkVersion() + sdkVersionIdentifiers() + sdkVersionMetadata();
    return version;
}

void DZRequest::setTestDevices(nlohmann::json devices) {
    testDevices_ = devices.is_array() ? std::move(devices) : nlohmann::json();
}

void DZRequest::setBirthday(std::optional<std::chrono::year_month_day> birthday) {
    birthday_ = birthday && birthday->ok() ? birthday : std::nullopt;
}

void DZRequest::setBirthdayWithMonthDayYear(int month, int day, int year) {
    if (month < 1 || month > 12 || day < 1 || day > 31) {
        birthday_.reset();
        return;
    }
    setBirthday(std::chrono::year_month_day{std::chrono::year(year),
                                            std::chrono::month(static_cast<unsigned>(month)),
                                            std::chrono::day(static_cast<unsigned>(day))});
}

void DZRequest::setLocationWithLatitudeLongitudeAccuracy(float latitude, float longitude, float accuracy) {
    location_ = DZLocation::initWithLatitude(latitude, longitude, accuracy);
}

void DZRequest::setLocationWithDescription(const std::string& description) {
    location_ = DZLocation::initWithLocationDescription(description);
}

void DZRequest::registerAdNetworkExtras(const std::shared_ptr<DZAdNetworkExtras>& extras) {
    if (!extras) {
        DZLogger::sharedInstance()->logPublicMessage("Must specify extras for registerAdNetworkExtras:.");
        return;
    }
    networkExtrasMap_[extras->extrasClassName()] = extras;
}

std::shared_ptr<DZAdNetworkExtras> DZRequest::adNetworkExtrasFor(const std::string& className) const {
    auto it = networkExtrasMap_.find(className);
    return it == networkExtrasMap_.end() ? nullptr : it->second;
}

void DZRequest::removeAdNetworkExtrasFor(const std::string& className) {
    networkExtrasMap_.erase(className);
}

nlohmann::json DZRequest::networkExtrasAdditionalParameters() {
    auto extras = std::dynamic_pointer_cast<DZExtras>(adNetworkExtrasFor(DZExtras::kClassName));
    if (!extras) return nullptr;
    nlohmann::json parameters = extras->additionalParameters();
    if (parameters.is_object()) {
        auto once = parameters.find("_useOnce");
        if (once != parameters.end() && dz_jsonBoolValue(*once))
            removeAdNetworkExtrasFor(DZExtras::kClassName);
    }
    return parameters;
}

void DZRequest::addAdditionalParametersFromDictionary(const nlohmann::json& parameters) {
    if (!parameters.is_object()) return;
    for (auto it = parameters.begin(); it != parameters.end(); ++it)
        additionalParameters_[it.key()] = it.value();
}

std::optional<std::string> DZRequest::genderString() const {
    if (gender_ == kDZGenderMale) return "1";
    if (gender_ == kDZGenderFemale) return "2";
    return std::nullopt;
}

std::optional<std::string> DZRequest::birthdayString() const {
    if (!birthday_) return std::nullopt;
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(birthday_->year()),
                  static_cast<unsigned>(birthday_->month()), static_cast<unsigned>(birthday_->day()));
    return text;
}

std::optional<std::string> DZRequest::contentURLString() const {
    if (!contentURL_) return std::nullopt;
    return trimmed(*contentURL_);
}

bool DZRequest::isATestDevice() const {
    if (!testDevices_.is_array()) return false;
    const std::string own =
        DZDevice::isSimulator() ? "Simulator" : DZDevice::sharedInstance()->deviceIdentifier();
    for (const auto& entry : testDevices_) {
        if (entry.is_string() && !entry.get_ref<const std::string&>().empty() && entry == own) return true;
    }
    return false;
}

nlohmann::json DZRequest::parameters() {
    nlohmann::json p = nlohmann::json::object();
    if (auto adapters = DZApplication::sharedInstance()->availableAdapterNames()) p["adapters"] = *adapters;
    auto device = DZDevice::sharedInstance();
    p.update(device->parameters());
    p["js"] = sdkVersion();
    if (auto net = device->network()->networkTypeString()) p["net"] = *net;
    if (auto last = device->network()->lastKnownNetworkTypeString()) p["net_last"] = *last;
    if (DZDevice::isSimulator()) p["simulator"] = "1";
    if (isATestDevice()) p["adtest"] = "on";
    if (auto extras = networkExtrasAdditionalParameters(); !extras.is_null()) p["extras"] = extras;
    if (auto g = genderString()) p["cust_gender"] = *g;
    if (auto b = birthdayString()) p["cust_age"] = *b;
    if (keywords_) p["kw"] = *keywords_;
    if (childDirectedTreatment_) p["tag_for_child_directed_treatment"] = *childDirectedTreatment_ ? "1" : "0";
    if (auto url = contentURLString()) p["url"] = *url;
    if (requestAgent_) p["request_agent"] = *requestAgent_;
    if (location_) {
        if (auto uule = location_->dictionaryRepresentation()) p["uule"] = *uule;
    }
    if (auto signal = signalEntry()) p[signal->first] = signal->second;

    std::string formats;
    if (formatParameters_.is_array()) {
        for (const auto& format : formatParameters_) {
            if (!format.is_object()) continue;
            if (auto f = format.find("format"); f != format.end() && !f->is_null()) {
                if (!formats.empty()) formats += ",";
                formats += f->is_string() ? f->get<std::string>() : f->dump();
            }
            auto ids = format.find("custom_template_ids");
            if (ids == format.end() || !ids->is_array() || ids->empty()) continue;
            std::string joined;
            for (const auto& id : *ids) {
                if (!joined.empty()) joined += ",";
                joined += id.is_string() ? id.get<std::string>() : id.dump();
            }
            p["native_custom_templates"] = joined;
        }
    }
    if (!formats.empty() && responseType_ != 0) {
        p["native_templates"] = formats;
        p["native_version"] = responseType_;
    }
    p.update(additionalParameters_);
    return p;
}

void DZRequest::copyInto(DZRequest& other) const {
    for (const auto& [name, extras] : networkExtrasMap_) other.networkExtrasMap_[name] = extras->copy();
    other.additionalParameters_ = additionalParameters_;
    other.testDevices_ = testDevices_;
    other.formatParameters_ = formatParameters_;
    other.privateMediationExtras_ = privateMediationExtras_;
    other.gender_ = gender_;
    other.birthday_ = birthday_;
    other.location_ = location_;
    other.keywords_ = keywords_;
    other.childDirectedTreatment_ = childDirectedTreatment_;
    other.contentURL_ = contentURL_;
    other.responseType_ = responseType_;
    other.requestAgent_ = requestAgent_;
}

std::shared_ptr<DZRequest> DZRequest::copy() const {
    auto other = std::make_shared<DZRequest>();
    copyInto(*other);
    return other;
}

std::string DZRequest::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    std::string text = "<" + className() + " " + std::string(address) + ": ";
    if (gender_ == kDZGenderMale) text += "\ngender:Male";
    if (gender_ == kDZGenderFemale) text += "\ngender:Female";
    if (auto b = birthdayString()) text += "\nbirthday:" + *b;
    if (location_) text += "\nlocation:" + location_->locationDescription();
    if (keywords_) text += "\nkeywords:" + nlohmann::json(*keywords_).dump();
    if (auto extras = std::dynamic_pointer_cast<DZExtras>(adNetworkExtrasFor(DZExtras::kClassName)))
        text += "\nadditionalParameters:" + extras->additionalParameters().dump();
    return text + ">";
}

void DZRequest::setSignalCollectorForTesting(DZSignalCollector* collector) {
    testCollector = collector;
}
