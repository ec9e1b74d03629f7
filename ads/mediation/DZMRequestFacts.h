#pragma once
// What an adapter may learn of the app's request, the same for every kind of connector: test
// mode, the app's extras for its network, and the targeting facts. Location facts are given only
// when the network's entry shares the location. A missing request answers "unknown" throughout.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

class DZAdNetworkExtras;
class DZRequest;

class DZMRequestFacts {
  public:
    // The credential that lets the adapter see the user's location ("1" only).
    inline static const std::string kShareLocationKey = "gwhirl_share_location";

    DZMRequestFacts(std::shared_ptr<DZRequest> request, bool locationShared)
        : request_(std::move(request)), locationShared_(locationShared) {}

    // The credentials without the share-location key, and whether they share the location.
    static std::pair<nlohmann::json, bool> splitCredentials(const nlohmann::json& credentials);

    bool testMode() const;
    // The extras registered for the adapter's extras class; nothing, with a public log line, when
    // the adapter names none.
    std::shared_ptr<DZAdNetworkExtras> networkExtras(const std::string& adapterClassName,
                                                     const std::optional<std::string>& extrasClass) const;
    // The same with the adapter asked for its extras class; an adapter whose answer throws names none.
    template <class Adapter>
    std::shared_ptr<DZAdNetworkExtras> networkExtras(const std::string& adapterClassName,
                                                     const Adapter* adapter) const {
        std::optional<std::string> extrasClass;
        if (adapter) {
            try {
                extrasClass = adapter->networkExtrasClass();
            } catch (...) {
            }
        }
        return networkExtras(adapterClassName, extrasClass);
    }
    std::optional<bool> childDirectedTreatment() const;
    long userGender() const;
    std::optional<std::chrono::year_month_day> userBirthday() const;
    bool userHasLocation() const;
    float userLatitude() const;
    float userLongitude() const;
    float userLocationAccuracyInMeters() const;
    std::optional<std::string> userLocationDescription() const;
    std::optional<std::vector<std::string>> userKeywords() const;

  private:
    std::shared_ptr<DZRequest> request_;
    bool locationShared_;
};
