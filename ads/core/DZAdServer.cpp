#include "ads/core/DZAdServer.h"

#include "ads/foundation/DZServerOverride.h"
#include "platform/url/Url.h"

std::string DZAdServerBaseURLFromValue(const char* value) {
    return dz_adServerURLFromValue(value).value_or(kDZDefaultAdServer);
}

std::string DZAdServerBaseURL() {
    return dz_adServerOverride().value_or(kDZDefaultAdServer);
}

std::string DZAdServerHost() {
    const auto url = platform::Url::parse(DZAdServerBaseURL());
    return url ? url->host() : std::string();
}

std::string DZAdServerURL(const std::string& path) {
    std::string base = DZAdServerBaseURL();
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + path;
}

std::string DZMediationClickURLTemplate() {
    return DZAdServerURL(
        "/clk?ad_loc=@gw_adlocid@&qdata=@gw_qdata@&ad_network_id=@gw_adnetid@&js=@gw_sdkver@"
        "&session_id=@gw_sessid@&seq_num=@gw_seqnum@&nr=@gw_adnetrefresh@");
}

std::string DZMediationImpressionURLTemplate() {
    return DZAdServerURL(
        "/imp?ad_loc=@gw_adlocid@&qdata=@gw_qdata@&ad_network_id=@gw_adnetid@&js=@gw_sdkver@"
        "&session_id=@gw_sessid@&seq_num=@gw_seqnum@&nr=@gw_adnetrefresh@&adt=@gw_adt@&aec=@gw_aec@");
}

std::string DZMediationNoFillURLTemplate() {
    return DZAdServerURL(
        "/nofill?ad_loc=@gw_adlocid@&qdata=@gw_qdata@&js=@gw_sdkver@&session_id=@gw_sessid@"
        "&seq_num=@gw_seqnum@&aec=@gw_aec@&adt=@gw_adt@");
}
