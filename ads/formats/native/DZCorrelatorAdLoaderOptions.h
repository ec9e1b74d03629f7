#pragma once
// Ties a loader's requests to other ad requests of the app: the loader's slot sends the
// correlator. Copies share the one correlator.
#include "ads/core/DZCorrelator.h"
#include "ads/formats/native/DZAdLoaderOptions.h"

class DZCorrelatorAdLoaderOptions : public DZAdLoaderOptions {
  public:
    inline static const std::string kClassName = "DZCorrelatorAdLoaderOptions";

    std::shared_ptr<DZCorrelator> correlator;

    std::string className() const override { return kClassName; }
    std::shared_ptr<DZAdLoaderOptions> copy() const override {
        auto other = std::make_shared<DZCorrelatorAdLoaderOptions>();
        other->correlator = correlator;
        return other;
    }
};
