#pragma once
// Where the waterfall's reports (impression, click, no fill) go: the shared click-tracker
// collection, which fills each template and tracks the URL. Tests put a recorder in its place.
// Main thread only.
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

struct DZMPing {
    // The templates to fill; nothing: the default template alone.
    std::optional<nlohmann::json> templates;
    std::string defaultTemplate;
    std::string networkID, allocationID;
    std::optional<std::string> qdata;
    std::string appKey;
    bool refresh = false;
    std::string durations, exitCodes;
};

class DZMPingSender {
  public:
    using Sender = std::function<void(const DZMPing&)>;

    static void send(const DZMPing& ping);
    // Null restores the shared collection; answers the sender replaced.
    static Sender setSender(Sender sender);

    // The default templates, on the ad server.
    static std::string defaultClickTemplate();
    static std::string defaultImpressionTemplate();
    static std::string defaultNoFillTemplate();
    // `first` followed by `second`; nothing only when both are missing (an empty list given
    // sends nothing rather than the default).
    static std::optional<nlohmann::json> joinedTemplates(
        const std::optional<std::vector<std::string>>& first,
        const std::optional<std::vector<std::string>>& second);
};
