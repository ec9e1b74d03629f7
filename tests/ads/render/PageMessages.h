#pragma once
// The messages native code sent a page on the scripted engine, in order: name and parameters.
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/render/view/DZAdView.h"
#include "platform/web/FakeWebEngine.h"

namespace tikoleap::test {

inline std::vector<std::pair<std::string, nlohmann::json>> pageMessages(const DZAdView& view) {
    static const std::string prefix = "ZAZO_ReceiveMessage(";
    std::vector<std::pair<std::string, nlohmann::json>> messages;
    const auto& engine = static_cast<const platform::web::FakeWebEngine&>(*view.engine());
    for (const auto& pending : engine.pendingScripts()) {
        const std::string& script = pending.script;
        if (script.rfind(prefix, 0) != 0) continue;
        // ZAZO_ReceiveMessage("name"[, {...}]);
        const std::string arguments =
            "[" + script.substr(prefix.size(), script.size() - prefix.size() - 2) + "]";
        const auto parsed = nlohmann::json::parse(arguments, nullptr, false);
        if (!parsed.is_array() || parsed.empty()) continue;
        messages.emplace_back(parsed[0].get<std::string>(), parsed.size() > 1 ? parsed[1] : nlohmann::json());
    }
    return messages;
}

}  // namespace tikoleap::test
