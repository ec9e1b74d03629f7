#pragma once
// Mediation's URL utilities as the foundation needs them: a mediation report URL filled from its
// template.
#include <optional>
#include <string>

class DZMUtilities {
  public:
    // The template with its @-quoted keywords replaced (gw_adlocid, gw_qdata, gw_sdkver,
    // gw_sessid, gw_seqnum, gw_devid, gw_adnetrefresh, gw_adnetid, gw_allocid, gw_aec, gw_adt),
    // any other keyword removed and "@@" read as "@". Values are inserted as they are, but for
    // the bytes a URL never holds raw, which are percent-encoded. Nothing when the result is
    // empty or no URL.
    static std::optional<std::string> mediationURLFrom(
        const std::string& urlTemplate, const std::string& adLocationID, bool adNetworkRefresh,
        const std::string& allocationID, const std::string& adNetworkID, const std::string& qData,
        const std::string& sessionID, const std::string& sequenceNumber, const std::string& exitCodes,
        const std::string& durations);
};
