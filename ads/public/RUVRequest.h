#pragma once
// The ad-manager request: three more targeting fields, which win over the base parameters.
#include <optional>
#include <string>
#include <vector>

#include "ads/core/DZRequest.h"

class RUVRequest : public DZRequest {
  public:
    static std::shared_ptr<RUVRequest> request() { return std::make_shared<RUVRequest>(); }
    // The correlator lives in the ad-manager views.
    static void updateCorrelator() {}

    const std::optional<std::string>& publisherProvidedID() const { return publisherProvidedID_; }
    void setPublisherProvidedID(std::optional<std::string> id) { publisherProvidedID_ = std::move(id); }
    const std::vector<std::string>& categoryExclusions() const { return categoryExclusions_; }
    void setCategoryExclusions(std::vector<std::string> exclusions) {
        categoryExclusions_ = std::move(exclusions);
    }
    // Only an object is kept.
    const nlohmann::json& customTargeting() const { return customTargeting_; }
    void setCustomTargeting(nlohmann::json targeting);

    nlohmann::json parameters() override;
    std::shared_ptr<DZRequest> copy() const override;
    std::string className() const override { return "RUVRequest"; }

  private:
    std::optional<std::string> publisherProvidedID_;
    std::vector<std::string> categoryExclusions_;
    nlohmann::json customTargeting_ = nlohmann::json::object();
};
