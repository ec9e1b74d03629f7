#pragma once
// Who takes a mediated response for an ad: the public object that owns the slot (the banner
// view, the interstitial, later the native ad loader). It says which kind of connector the
// waterfall asks the networks through, so the ad model names no mediation class. Each DZAd keeps
// it weakly. Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/foundation/Error.h"

class DZAd;
class DZMediatedNativeAd;  // ads/core/DZMediatedNativeAd.h

enum class DZMediationConnectorKind { kBanner, kInterstitial, kNative };

// What a native ad loader asks of the networks: the native ad types and the loader's options.
struct DZAdLoaderConfiguration {
    std::set<std::string> adTypes;
    nlohmann::json options = nlohmann::json::object();
};

class DZAdMediationDelegate {
  public:
    using Completion = std::function<void(platform::ErrorRef error)>;  // null error: taken

    virtual ~DZAdMediationDelegate() = default;
    virtual DZMediationConnectorKind connectorKindForAd(const DZAd& ad) = 0;
    // Native loaders only; nothing by default.
    virtual std::optional<DZAdLoaderConfiguration> adLoaderConfigurationForAd(const DZAd&) {
        return std::nullopt;
    }
    // Native loaders only: false when not implemented (the waterfall then goes on). Otherwise the
    // completion is called once, on the main thread.
    virtual bool processMediatedAd(const std::shared_ptr<DZAd>&, const std::shared_ptr<DZMediatedNativeAd>&,
                                   Completion) {
        return false;
    }
};
