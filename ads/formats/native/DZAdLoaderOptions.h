#pragma once
// What an app may tell a native ad loader beyond the ad types: one object per kind. Each kind adds
// its own parameters to the ad request. A loader keeps a copy of the first option of each kind.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

class DZAdLoaderOptions {
  public:
    virtual ~DZAdLoaderOptions() = default;
    // The kind's name: the key a loader files the option under.
    virtual std::string className() const { return "DZAdLoaderOptions"; }
    virtual std::shared_ptr<DZAdLoaderOptions> copy() const { return std::make_shared<DZAdLoaderOptions>(); }
    // Parameters the option adds to the request, or nothing.
    virtual std::optional<nlohmann::json> requestParameters() const { return std::nullopt; }
    // What mediation networks are told of the option.
    virtual nlohmann::json dictionaryRepresentation() const { return nlohmann::json::object(); }
};

// The accepted options by kind name.
using DZAdLoaderOptionsByClass = std::map<std::string, std::shared_ptr<const DZAdLoaderOptions>>;
