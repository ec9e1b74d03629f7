#include "ads/mediation/DZMRequestCategory.h"

#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/foundation/DZDevice.h"
#include "ads/mediation/DZMAdNetworkConnectorBase.h"
#include "ads/mediation/DZMConfig.h"

namespace {

// The waterfall's connectors know their network; another connector is only an adapter's own.
const DZMAdNetworkConnectorBase* waterfallConnector(const DZMAdNetworkConnector& connector) {
    return dynamic_cast<const DZMAdNetworkConnectorBase*>(&connector);
}

}  // namespace

void DZRequestConfigureNetworkExtrasWithConnector(DZRequest& request,
                                                  const DZMAdNetworkConnector& connector) {
    auto given = std::dynamic_pointer_cast<DZExtras>(connector.networkExtras());
    auto extras = given ? std::static_pointer_cast<DZExtras>(given->copy()) : std::make_shared<DZExtras>();
    nlohmann::json parameters = extras->additionalParameters();
    if (!parameters.is_object()) parameters = nlohmann::json::object();
    if (auto url = parameters.find("_mediationRequestUrl"); url != parameters.end())
        parameters["_requestUrl"] = *url;
    const nlohmann::json credentials = connector.credentials();
    if (credentials.is_object()) {
        if (auto hac = credentials.find("mad_hac"); hac != credentials.end()) parameters["mad_hac"] = *hac;
    }
    parameters["gw"] = "1";
    if (const auto* own = waterfallConnector(connector); own && own->networkConfig()) {
        const auto& network = *own->networkConfig();
        for (const auto& [key, value] : network.extras().items()) {
            if (value.is_string()) parameters[key] = value;
        }
        if (network.ad()) parameters["_ad"] = *network.ad();
    }
    extras->setAdditionalParameters(std::move(parameters));
    request.registerAdNetworkExtras(extras);
}

void DZRequestAddAdapterListWithConnector(DZRequest& request, const DZMAdNetworkConnector& connector,
                                          const std::string& adapterClassName) {
    nlohmann::json list = nlohmann::json::array();
    const auto* own = waterfallConnector(connector);
    if (own && own->mediationConfig()) {
        for (const auto& network : own->mediationConfig()->adNetworkConfigs())
            list.push_back(network ? nlohmann::json(network->adapterList()) : nlohmann::json::array());
    } else {
        list.push_back(nlohmann::json::array({adapterClassName}));
    }
    request.setPrivateMediationExtras({{"man", std::move(list)}, {"mcan", adapterClassName}});
}

bool DZRequestIsAnAdaptersOwn(const DZRequest& request) {
    const auto& extras = request.privateMediationExtras();
    return extras.is_object() && extras.contains("mcan");
}

std::shared_ptr<DZRequest> DZRequestWithConnector(const DZMAdNetworkConnector& connector,
                                                  const DZMAdNetworkAdapter&) {
    auto request = DZRequest::request();
    if (connector.testMode())
        request->setTestDevices(std::vector<std::string>{"Simulator", "Simulator",
                                                         DZDevice::sharedInstance()->deviceIdentifier()});
    if (auto childDirected = connector.childDirectedTreatment())
        request->tagForChildDirectedTreatment(*childDirected);
    if (connector.userHasLocation()) {
        request->setLocationWithLatitudeLongitudeAccuracy(connector.userLatitude(), connector.userLongitude(),
                                                          connector.userLocationAccuracyInMeters());
    } else if (auto description = connector.userLocationDescription()) {
        request->setLocationWithDescription(*description);
    }
    request->setGender(connector.userGender());
    request->setBirthday(connector.userBirthday());
    request->setKeywords(connector.userKeywords());
    request->setRequestAgent(connector.requestAgent());
    DZRequestConfigureNetworkExtrasWithConnector(*request, connector);
    const auto* own = waterfallConnector(connector);
    DZRequestAddAdapterListWithConnector(*request, connector, own ? own->adapterClassName() : std::string());
    return request;
}
