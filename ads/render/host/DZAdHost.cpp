#include "ads/render/host/DZAdHost.h"

namespace {
std::function<void(const nlohmann::json&)>& orphanOpenBlockedHandler() {
    static std::function<void(const nlohmann::json&)> handler;
    return handler;
}
}  // namespace

void DZAdHost::setOrphanOpenBlockedHandler(std::function<void(const nlohmann::json& info)> handler) {
    orphanOpenBlockedHandler() = std::move(handler);
}

void DZAdHost::tellOrphanOpenBlocked(const nlohmann::json& info) {
    if (const auto& handler = orphanOpenBlockedHandler()) handler(info);
}
