#pragma once
// Extras of an ad network, registered on a request under the name of their kind; DZExtras are
// the ones of the component's own network, whose parameters travel with the request.
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

class DZAd;

class DZAdNetworkExtras {
  public:
    virtual ~DZAdNetworkExtras() = default;
    // The name the extras are registered under: one entry per kind.
    virtual std::string extrasClassName() const = 0;
    virtual std::shared_ptr<DZAdNetworkExtras> copy() const = 0;
};

class DZExtras : public DZAdNetworkExtras {
  public:
    inline static const std::string kClassName = "DZExtras";

    std::string extrasClassName() const override { return kClassName; }
    std::shared_ptr<DZAdNetworkExtras> copy() const override { return std::make_shared<DZExtras>(*this); }

    const nlohmann::json& additionalParameters() const { return additionalParameters_; }
    // Only an object is kept; anything else clears them.
    void setAdditionalParameters(nlohmann::json parameters) {
        additionalParameters_ = parameters.is_object() ? std::move(parameters) : nlohmann::json();
    }

    // An ad to show without asking the server (the "_ad" extra given as a whole ad); it wins
    // over an "_ad" dictionary among the parameters.
    const std::shared_ptr<DZAd>& reservedAd() const { return reservedAd_; }
    void setReservedAd(std::shared_ptr<DZAd> ad) { reservedAd_ = std::move(ad); }

  private:
    nlohmann::json additionalParameters_;
    std::shared_ptr<DZAd> reservedAd_;
};
