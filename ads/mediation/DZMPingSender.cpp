#include "ads/mediation/DZMPingSender.h"

#include "ads/core/DZAdServer.h"
#include "ads/foundation/DZClickTrackerCollection.h"

namespace {

DZMPingSender::Sender& sender() {
    static DZMPingSender::Sender current;
    return current;
}

}  // namespace

void DZMPingSender::send(const DZMPing& ping) {
    if (auto custom = sender()) {
        custom(ping);
        return;
    }
    DZClickTrackerCollection::sharedInstance()->trackMediationURLsFromTemplates(
        ping.templates, ping.defaultTemplate, ping.networkID, ping.allocationID, ping.qdata, ping.appKey,
        ping.refresh, ping.durations, ping.exitCodes);
}

DZMPingSender::Sender DZMPingSender::setSender(Sender replacement) {
    auto previous = std::move(sender());
    sender() = std::move(replacement);
    return previous;
}

std::string DZMPingSender::defaultClickTemplate() {
    return DZAdServerURL(
        "/clk?ad_loc=@gw_adlocid@&qdata=@gw_qdata@&ad_network_id=@gw_adnetid@&js=@gw_sdkver@"
        "&session_id=@gw_sessid@&seq_num=@gw_seqnum@&nr=@gw_adnetrefresh@");
}

std::string DZMPingSender::defaultImpressionTemplate() {
    return DZAdServerURL(
        "/imp?ad_loc=@gw_adlocid@&qdata=@gw_qdata@&ad_network_id=@gw_adnetid@&js=@gw_sdkver@"
        "&session_id=@gw_sessid@&seq_num=@gw_seqnum@&nr=@gw_adnetrefresh@&adt=@gw_adt@&aec=@gw_aec@");
}

std::string DZMPingSender::defaultNoFillTemplate() {
    return DZAdServerURL(
        "/nofill?ad_loc=@gw_adlocid@&qdata=@gw_qdata@&js=@gw_sdkver@&session_id=@gw_sessid@"
        "&seq_num=@gw_seqnum@&aec=@gw_aec@&adt=@gw_adt@");
}

std::optional<nlohmann::json> DZMPingSender::joinedTemplates(
    const std::optional<std::vector<std::string>>& first,
    const std::optional<std::vector<std::string>>& second) {
    if (!first && !second) return std::nullopt;
    nlohmann::json joined = nlohmann::json::array();
    for (const auto* list : {&first, &second}) {
        if (!*list) continue;
        for (const auto& item : **list) joined.push_back(item);
    }
    return joined;
}
