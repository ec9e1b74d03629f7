#pragma once
// What the app asks for in one ad request: targeting facts about the user and the content, test
// devices, extras for ad networks and the native formats wanted. The slot turns it into the
// request's parameter dictionary. Not thread-safe: the slot reads it on the main thread.
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZExtras.h"
#include "ads/foundation/DZLocation.h"

class DZSignalCollector;

enum DZGender : long { kDZGenderUnknown = 0, kDZGenderMale = 1, kDZGenderFemale = 2 };

class DZRequest {
  public:
    DZRequest();
    virtual ~DZRequest() = default;
    static std::shared_ptr<DZRequest> request();

    static const std::string& sdkVersion();
    // "didaz" 2, "xfp" 3, "dedovoz" 1, anything else 0.
    static int requestTypeFromString(const std::string& text);

    // Version info: "-rc.1", "+" and the build identifier, and the three after the version.
    static std::string sdkVersionIdentifiers();
    static std::string sdkVersionMetadata();
    static const std::string& extendedSDKVersionNumber();

    // Test devices come from the app's configuration: entries that are not text are skipped.
    const nlohmann::json& testDevices() const { return testDevices_; }
    void setTestDevices(nlohmann::json devices);
    void setTestDevices(const std::vector<std::string>& devices) { setTestDevices(nlohmann::json(devices)); }
    long gender() const { return gender_; }
    void setGender(long gender) { gender_ = gender; }
    const std::optional<std::chrono::year_month_day>& birthday() const { return birthday_; }
    void setBirthday(std::optional<std::chrono::year_month_day> birthday);
    // An impossible date clears the birthday.
    void setBirthdayWithMonthDayYear(int month, int day, int year);
    const std::optional<std::vector<std::string>>& keywords() const { return keywords_; }
    void setKeywords(std::optional<std::vector<std::string>> keywords) { keywords_ = std::move(keywords); }
    const std::optional<std::string>& contentURL() const { return contentURL_; }
    void setContentURL(std::optional<std::string> url) { contentURL_ = std::move(url); }
    const std::optional<std::string>& requestAgent() const { return requestAgent_; }
    void setRequestAgent(std::optional<std::string> agent) { requestAgent_ = std::move(agent); }
    const std::optional<DZLocation>& location() const { return location_; }
    void setLocation(std::optional<DZLocation> location) { location_ = std::move(location); }
    void setLocationWithLatitudeLongitudeAccuracy(float latitude, float longitude, float accuracy);
    void setLocationWithDescription(const std::string& description);
    const std::optional<bool>& childDirectedTreatment() const { return childDirectedTreatment_; }
    void tagForChildDirectedTreatment(bool childDirected) { childDirectedTreatment_ = childDirected; }
    const nlohmann::json& privateMediationExtras() const { return privateMediationExtras_; }
    void setPrivateMediationExtras(nlohmann::json extras) { privateMediationExtras_ = std::move(extras); }
    // One object per native format: "format", "custom_template_ids".
    const nlohmann::json& formatParameters() const { return formatParameters_; }
    void setFormatParameters(nlohmann::json parameters) { formatParameters_ = std::move(parameters); }
    long responseType() const { return responseType_; }
    void setResponseType(long type) { responseType_ = type; }

    // Stored under their kind's name, replacing earlier extras of that kind; nothing is logged
    // and stored for none.
    void registerAdNetworkExtras(const std::shared_ptr<DZAdNetworkExtras>& extras);
    std::shared_ptr<DZAdNetworkExtras> adNetworkExtrasFor(const std::string& className) const;
    void removeAdNetworkExtrasFor(const std::string& className);
    // The DZExtras' parameters; extras marked "_useOnce" are removed by this read.
    nlohmann::json networkExtrasAdditionalParameters();

    const nlohmann::json& additionalParameters() const { return additionalParameters_; }
    // Merged in last: they override every key the request computes. Only an object is taken.
    void addAdditionalParametersFromDictionary(const nlohmann::json& parameters);

    std::optional<std::string> genderString() const;
    std::optional<std::string> birthdayString() const;
    std::optional<std::string> contentURLString() const;
    bool isATestDevice() const;

    // The parameter dictionary (string keys) with the device part.
    virtual nlohmann::json parameters();
    virtual std::shared_ptr<DZRequest> copy() const;
    virtual std::string className() const { return "DZRequest"; }
    std::string description() const;

    // The collector whose signal requests carry (the shared one unless a test gives its own).
    static void setSignalCollectorForTesting(DZSignalCollector* collector);

  protected:
    // The copy of every field a subclass's copy starts from.
    void copyInto(DZRequest& other) const;

  private:
    std::map<std::string, std::shared_ptr<DZAdNetworkExtras>> networkExtrasMap_;
    nlohmann::json additionalParameters_ = nlohmann::json::object();
    nlohmann::json testDevices_;
    long gender_ = kDZGenderUnknown;
    std::optional<std::chrono::year_month_day> birthday_;
    std::optional<std::vector<std::string>> keywords_;
    std::optional<std::string> contentURL_;
    std::optional<std::string> requestAgent_;
    std::optional<DZLocation> location_;
    std::optional<bool> childDirectedTreatment_;
    nlohmann::json privateMediationExtras_;
    nlohmann::json formatParameters_;
    long responseType_ = 0;
};
