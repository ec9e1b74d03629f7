#pragma once
// Registers an adapter class by name as a current adapter: its factory gives the
// DZMAdNetworkAdapter, as the connector casts it.
#include <memory>
#include <string>

#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "platform/foundation/ClassRegistry.h"

template <class Adapter>
void dz_registerAdapterClass(const std::string& name) {
    platform::ClassRegistry::shared().registerClass(
        name, {DZMAdNetworkAdapter::kAdapterKind, DZMAdNetworkAdapter::kCurrentAPIKind}, [] {
            return std::static_pointer_cast<void>(
                std::shared_ptr<DZMAdNetworkAdapter>(std::make_shared<Adapter>()));
        });
}
