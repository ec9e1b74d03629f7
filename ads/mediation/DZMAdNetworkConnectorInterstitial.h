#pragma once
// The connector of an interstitial network: one interstitial per connector; its impression is
// pinged when the network is about to show it, and its screens reach the slot (a dismissal
// without the will-dismiss step still gives both, in order).
#include "ads/mediation/DZMAdNetworkConnectorBase.h"

class DZMAdNetworkConnectorInterstitial : public DZMAdNetworkConnectorBase {
  public:
    using DZMAdNetworkConnectorBase::DZMAdNetworkConnectorBase;
    bool calledWillDismissInterstitial() const { return calledWillDismissInterstitial_; }

  protected:
    void requestAd(const DZAdType& type) override;
    void handle(const Callback& callback) override;

  private:
    bool calledWillDismissInterstitial_ = false;
};
