#pragma once
// The request the component's own adapters send for one network of a mediation response: the
// connector's targeting and test mode, the network's extras and the waterfall's adapter list.
#include <memory>
#include <string>

class DZMAdNetworkAdapter;
class DZMAdNetworkConnector;
class DZRequest;

std::shared_ptr<DZRequest> DZRequestWithConnector(const DZMAdNetworkConnector& connector,
                                                  const DZMAdNetworkAdapter& adapter);

// The connector's extras (or new DZExtras) with "gw" "1", the credentials' "mad_hac", a
// "_mediationRequestUrl" copied to "_requestUrl", and, for a waterfall's connector, the network's
// string extras and its prefetched ad as "_ad", registered on the request.
void DZRequestConfigureNetworkExtrasWithConnector(DZRequest& request, const DZMAdNetworkConnector& connector);
// The private mediation extras: "man", every network's adapter list in waterfall order (for a
// connector that is no waterfall's, the adapter alone), and "mcan", the adapter's name.
void DZRequestAddAdapterListWithConnector(DZRequest& request, const DZMAdNetworkConnector& connector,
                                          const std::string& adapterClassName);
// True for a request an adapter sent for its network (it names the adapter in "mcan").
bool DZRequestIsAnAdaptersOwn(const DZRequest& request);
