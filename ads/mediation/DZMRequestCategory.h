#pragma once
// The request the component's own adapters send for one network of a mediation response: the
// connector's targeting and test mode, the network's extras and the waterfall's adapter list.
#include <memory>

class DZMAdNetworkAdapter;
class DZMAdNetworkConnector;
class DZRequest;

std::shared_ptr<DZRequest> DZRequestWithConnector(const DZMAdNetworkConnector& connector,
                                                  const DZMAdNetworkAdapter& adapter);
