#include "tools/adserver/MediationConfigurations.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace tikoleap::adserver {

namespace {

// Name and text of each file of content/mediation, sorted by name (the build writes them).
const std::pair<const char*, const char*> kConfigurations[] = {
#include "MediationConfigurationsSource.inc"
};

// Without an "id" the network cannot be named in a report, so the whole answer is refused.
const char* const kMissingID =
    R"({"ad_type":"banner","qdata":"Tiko Leap","settings":{"refresh":60},"ad_networks":[)"
    R"({"adapters":["DZMAdapterHTML"],"data":{"zdxtym_html":)"
    R"("<!DOCTYPE html><html><body style=\"margin:0;background:#1e90ff\"></body></html>"}}]})";

}  // namespace

std::vector<std::string> MediationConfigurations::names() {
    std::vector<std::string> out;
    std::transform(std::begin(kConfigurations), std::end(kConfigurations), std::back_inserter(out),
                   [](const auto& entry) { return std::string(entry.first); });
    return out;
}

std::optional<std::string> MediationConfigurations::configuration(const std::string& name,
                                                                  const std::string& baseURL) {
    const auto found = std::find_if(std::begin(kConfigurations), std::end(kConfigurations),
                                    [&](const auto& entry) { return name == entry.first; });
    if (found == std::end(kConfigurations)) return std::nullopt;
    std::string text = found->second;
    const std::string placeholder = kBasePlaceholder;
    for (auto at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at)) {
        text.replace(at, placeholder.size(), baseURL);
        at += baseURL.size();
    }
    return text;
}

std::string MediationConfigurations::missingIDConfiguration() {
    return kMissingID;
}

void MediationConfigurations::answer(httplib::Response& res, const std::string& configuration) {
    res.set_content(configuration, "application/json");
    res.set_header("x-zazo-mediation", "1");
}

}  // namespace tikoleap::adserver
