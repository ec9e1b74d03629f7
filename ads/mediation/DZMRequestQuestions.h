#pragma once
// What an adapter may ask its connector about the app's request, whatever kind of ad it serves,
// and the answers every connector gives from its request's facts.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/mediation/DZMRequestFacts.h"

class DZAdNetworkExtras;

class DZMRequestQuestions {
  public:
    virtual ~DZMRequestQuestions() = default;

    // --- What the adapter asks (main thread) ---
    // The network's "pubid" credential.
    virtual std::optional<std::string> publisherId() const = 0;
    // The network's credentials (an object) without the connector's own keys.
    virtual nlohmann::json credentials() const = 0;
    virtual bool testMode() const = 0;
    // The extras the app registered for the adapter's networkExtrasClass(), if any.
    virtual std::shared_ptr<DZAdNetworkExtras> networkExtras() const = 0;
    virtual std::optional<bool> childDirectedTreatment() const = 0;
    virtual long userGender() const = 0;
    virtual std::optional<std::chrono::year_month_day> userBirthday() const = 0;
    // Location facts reach an adapter only when its network entry allows location sharing.
    virtual bool userHasLocation() const = 0;
    virtual float userLatitude() const = 0;
    virtual float userLongitude() const = 0;
    virtual float userLocationAccuracyInMeters() const = 0;
    virtual std::optional<std::string> userLocationDescription() const = 0;
    virtual std::optional<std::vector<std::string>> userKeywords() const = 0;
};

// A connector answers the request's questions from the facts of the request it serves now.
template <class Connector>
class DZMAnswersFromRequestFacts : public Connector {
  public:
    bool testMode() const override { return facts().testMode(); }
    std::optional<bool> childDirectedTreatment() const override { return facts().childDirectedTreatment(); }
    long userGender() const override { return facts().userGender(); }
    std::optional<std::chrono::year_month_day> userBirthday() const override {
        return facts().userBirthday();
    }
    bool userHasLocation() const override { return facts().userHasLocation(); }
    float userLatitude() const override { return facts().userLatitude(); }
    float userLongitude() const override { return facts().userLongitude(); }
    float userLocationAccuracyInMeters() const override { return facts().userLocationAccuracyInMeters(); }
    std::optional<std::string> userLocationDescription() const override {
        return facts().userLocationDescription();
    }
    std::optional<std::vector<std::string>> userKeywords() const override { return facts().userKeywords(); }

  protected:
    virtual DZMRequestFacts facts() const = 0;
};
