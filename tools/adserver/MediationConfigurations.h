#pragma once
// The house mediation configurations: unit tikoleap-mediation-NAME answers content/mediation/NAME.json
// (compiled in; "{{base}}" in it stands for the server's base URL) as a mediation answer, JSON with
// "x-zazo-mediation: 1". Each network entry says in its "why" what it ends in; the waterfall's
// exit codes follow from them.
#include <optional>
#include <string>
#include <vector>

#include <httplib.h>

namespace tikoleap::adserver {

class MediationConfigurations {
  public:
    static constexpr const char* kUnitPrefix = "tikoleap-mediation-";
    // The unit that answers a configuration whose one network has no "id" (unusable as a whole).
    static constexpr const char* kMissingIDUnit = "tikoleap-mediation";
    static constexpr const char* kBasePlaceholder = "{{base}}";

    // The names there are configurations of, in order.
    static std::vector<std::string> names();
    // Configuration NAME with every "{{base}}" replaced by baseURL ("http://127.0.0.1:PORT/"), or
    // nothing for a name there is none of.
    static std::optional<std::string> configuration(const std::string& name, const std::string& baseURL);
    // The configuration of kMissingIDUnit.
    static std::string missingIDConfiguration();
    // Makes res the mediation answer with the configuration.
    static void answer(httplib::Response& res, const std::string& configuration);
};

}  // namespace tikoleap::adserver
