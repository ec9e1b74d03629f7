#pragma once
// What the app gives its custom events: one dictionary of extras per label, registered on the ad
// request as a network's extras. A custom event sees the extras of the label its network entry
// names, and nothing when it has no label. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/core/DZExtras.h"

class DZCustomEventExtras : public DZAdNetworkExtras {
  public:
    inline static const std::string kClassName = "DZCustomEventExtras";

    std::string extrasClassName() const override { return kClassName; }
    std::shared_ptr<DZAdNetworkExtras> copy() const override {
        return std::make_shared<DZCustomEventExtras>(*this);
    }

    // Nothing (or anything but an object) removes the label's extras; no label stores nothing
    // and logs why.
    void setExtras(const std::optional<nlohmann::json>& extras, const std::optional<std::string>& label);
    std::optional<nlohmann::json> extrasForLabel(const std::optional<std::string>& label) const;
    void removeAllExtras() { extras_ = nlohmann::json::object(); }
    // Label to extras, an object.
    const nlohmann::json& allExtras() const { return extras_; }

  private:
    nlohmann::json extras_ = nlohmann::json::object();
};
