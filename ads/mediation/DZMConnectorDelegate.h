#pragma once
// What a connector reports to the waterfall that asked it: its network's answer, and the slot the
// answer is for. The waterfall implements it; a connector holds it weakly and, once let go of,
// reports nowhere. Main thread only.
#include <memory>

#include "platform/foundation/Error.h"

class DZMAdNetworkConnectorBase;
class DZMediatedNativeAd;
class DZSlot;
namespace platform::ui {
class View;
}  // namespace platform::ui

class DZMConnectorDelegate {
  public:
    virtual ~DZMConnectorDelegate() = default;
    virtual std::shared_ptr<DZSlot> slot() const = 0;
    // True when the answer was taken.
    virtual bool adRequestReturnsFromConnectorWithView(DZMAdNetworkConnectorBase& connector,
                                                       const std::shared_ptr<platform::ui::View>& view) = 0;
    virtual bool adRequestReturnsFromConnectorWithInterstitial(DZMAdNetworkConnectorBase& connector) = 0;
    virtual bool adRequestReturnsFromConnectorWithMediatedAd(
        DZMAdNetworkConnectorBase& connector, const std::shared_ptr<DZMediatedNativeAd>& ad) = 0;
    virtual void adRequestFailedFromConnectorWithError(DZMAdNetworkConnectorBase& connector,
                                                       platform::ErrorRef error) = 0;
};
