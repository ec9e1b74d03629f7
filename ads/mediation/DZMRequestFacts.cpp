#include "ads/mediation/DZMRequestFacts.h"

#include "ads/core/DZRequest.h"
#include "ads/foundation/DZLogger.h"

std::pair<nlohmann::json, bool> DZMRequestFacts::splitCredentials(const nlohmann::json& credentials) {
    nlohmann::json stripped = nlohmann::json::object();
    bool shared = false;
    if (!credentials.is_object()) return {stripped, shared};
    for (const auto& [key, value] : credentials.items()) {
        if (key == kShareLocationKey)
            shared = value.is_string() && value.get_ref<const std::string&>() == "1";
        else
            stripped[key] = value;
    }
    return {stripped, shared};
}

bool DZMRequestFacts::testMode() const {
    return request_ && request_->isATestDevice();
}

std::shared_ptr<DZAdNetworkExtras> DZMRequestFacts::networkExtras(
    const std::string& adapterClassName, const std::optional<std::string>& extrasClass) const {
    if (!extrasClass) {
        DZLogger::sharedInstance()->logPublicFormat(
            "Adapter class %s does not respond to networkExtrasClass. Unable to retrieve network extras.",
            adapterClassName.c_str());
        return nullptr;
    }
    return request_ ? request_->adNetworkExtrasFor(*extrasClass) : nullptr;
}

std::optional<bool> DZMRequestFacts::childDirectedTreatment() const {
    return request_ ? request_->childDirectedTreatment() : std::nullopt;
}

long DZMRequestFacts::userGender() const {
    return request_ ? request_->gender() : kDZGenderUnknown;
}

std::optional<std::chrono::year_month_day> DZMRequestFacts::userBirthday() const {
    return request_ ? request_->birthday() : std::nullopt;
}

bool DZMRequestFacts::userHasLocation() const {
    return locationShared_ && request_ && request_->location() && request_->location()->isPreciseLocation();
}

float DZMRequestFacts::userLatitude() const {
    return userHasLocation() ? request_->location()->latitude() : 0;
}

float DZMRequestFacts::userLongitude() const {
    return userHasLocation() ? request_->location()->longitude() : 0;
}

float DZMRequestFacts::userLocationAccuracyInMeters() const {
    return userHasLocation() ? request_->location()->accuracy() : 0;
}

std::optional<std::string> DZMRequestFacts::userLocationDescription() const {
    if (!locationShared_ || !request_ || !request_->location()) return std::nullopt;
    return request_->location()->locationDescription();
}

std::optional<std::vector<std::string>> DZMRequestFacts::userKeywords() const {
    return request_ ? request_->keywords() : std::nullopt;
}
