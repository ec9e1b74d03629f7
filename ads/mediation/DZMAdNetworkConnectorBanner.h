#pragma once
// The connector of a banner network: a banner of the waterfall's size; each banner the network
// delivers (also on refreshes of its own) is shown and pings an impression, and its full-screen
// and leave events reach the slot.
#include "ads/mediation/DZMAdNetworkConnectorBase.h"

class DZMAdNetworkConnectorBanner : public DZMAdNetworkConnectorBase {
  public:
    using DZMAdNetworkConnectorBase::DZMAdNetworkConnectorBase;
    // The adapter has answered at least once.
    bool didNetworkReturn() const { return didNetworkReturn_; }

  protected:
    void requestAd(const DZAdType& type) override;
    void handle(const Callback& callback) override;

  private:
    bool didNetworkReturn_ = false;
};
