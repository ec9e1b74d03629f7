#pragma once
// The connector of a native-ad network: asks for the loader's native ad types with its options,
// and hands the delivered ad, wrapped with the adapter's name, to the manager.
#include <optional>

#include "ads/core/DZAdMediationDelegate.h"
#include "ads/mediation/DZMAdNetworkConnectorBase.h"

class DZMAdNetworkConnectorNativeAd : public DZMAdNetworkConnectorBase {
  public:
    using DZMAdNetworkConnectorBase::DZMAdNetworkConnectorBase;
    const std::optional<DZAdLoaderConfiguration>& adLoaderConfiguration() const {
        return adLoaderConfiguration_;
    }
    void setAdLoaderConfiguration(std::optional<DZAdLoaderConfiguration> configuration) {
        adLoaderConfiguration_ = std::move(configuration);
    }

  protected:
    void requestAd(const DZAdType& type) override;
    void handle(const Callback& callback) override;

  private:
    std::optional<DZAdLoaderConfiguration> adLoaderConfiguration_;
};
