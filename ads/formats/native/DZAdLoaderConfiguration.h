#pragma once
// The checked ad types and options of a native ad loader: nothing when no type was given or one
// is unknown; the first option of each kind is kept (later ones and null entries are logged and
// dropped).
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/core/DZAdMediationDelegate.h"
#include "ads/formats/native/DZAdLoaderOptions.h"
#include "ads/formats/native/DZNativeAdTypes.h"

class DZNativeAdLoaderConfiguration {
  public:
    static std::optional<DZNativeAdLoaderConfiguration> make(
        const std::vector<std::string>& adTypes,
        const std::vector<std::shared_ptr<const DZAdLoaderOptions>>& options);

    const std::set<DZNativeAdClass>& adTypeClasses() const { return adTypeClasses_; }
    const std::set<std::string>& adTypes() const { return adTypes_; }
    // Empty when no option was accepted.
    const DZAdLoaderOptionsByClass& options() const { return options_; }
    // What mediation networks are asked with.
    DZAdLoaderConfiguration mediationConfiguration() const;

  private:
    std::set<DZNativeAdClass> adTypeClasses_;
    std::set<std::string> adTypes_;
    DZAdLoaderOptionsByClass options_;
};
