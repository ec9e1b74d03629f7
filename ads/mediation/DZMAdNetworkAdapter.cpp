#include <algorithm>

#include "ads/mediation/DZMConfig.h"
#include "platform/foundation/ClassRegistry.h"

bool DZMAdNetworkAdapter::classIsAdapterClass(const std::string& name) {
    const auto& registry = platform::ClassRegistry::shared();
    return registry.conformsTo(name, kAdapterKind) || registry.conformsTo(name, kRewardBasedVideoAdapterKind);
}

bool DZMAdNetworkAdapter::classImplementsCurrentAdapterAPI(const std::string& name) {
    const auto& registry = platform::ClassRegistry::shared();
    return registry.conformsTo(name, kCurrentAPIKind) ||
           registry.conformsTo(name, kRewardBasedVideoAdapterKind);
}

std::vector<std::string> DZMAdNetworkAdapter::availableAdapterNamesInSet(
    const std::vector<std::string>& names) {
    std::vector<std::string> available;
    for (const auto& name : names) {
        if (!platform::ClassRegistry::shared().conformsTo(name, kAdapterKind)) continue;
        if (std::find(available.begin(), available.end(), name) == available.end()) available.push_back(name);
    }
    return available;
}
