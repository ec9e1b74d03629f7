#pragma once
// What a custom event learns of the ad request it serves, read once from the connector when the
// request is made: targeting (location only where the network may see it), test mode, and the
// app's extras for the custom event's label. Read-only afterwards, so it may travel to any thread.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

class DZMAdNetworkConnector;

class DZCustomEventRequest {
  public:
    DZCustomEventRequest(const DZMAdNetworkConnector& connector, const std::optional<std::string>& label);

    long userGender() const { return userGender_; }
    const std::optional<std::chrono::year_month_day>& userBirthday() const { return userBirthday_; }
    bool userHasLocation() const { return userHasLocation_; }
    float userLatitude() const { return userLatitude_; }
    float userLongitude() const { return userLongitude_; }
    float userLocationAccuracyInMeters() const { return userLocationAccuracyInMeters_; }
    const std::optional<std::string>& userLocationDescription() const { return userLocationDescription_; }
    const std::optional<std::vector<std::string>>& userKeywords() const { return userKeywords_; }
    // The app's DZCustomEventExtras for the label; nothing without a label or extras.
    const std::optional<nlohmann::json>& additionalParameters() const { return additionalParameters_; }
    bool isTesting() const { return isTesting_; }

  private:
    long userGender_ = 0;
    std::optional<std::chrono::year_month_day> userBirthday_;
    bool userHasLocation_ = false;
    float userLatitude_ = 0, userLongitude_ = 0, userLocationAccuracyInMeters_ = 0;
    std::optional<std::string> userLocationDescription_;
    std::optional<std::vector<std::string>> userKeywords_;
    std::optional<nlohmann::json> additionalParameters_;
    bool isTesting_ = false;
};
