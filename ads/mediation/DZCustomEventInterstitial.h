#pragma once
// A custom event that serves interstitials, and what it tells the adapter that asked it.
#include <memory>
#include <optional>
#include <string>

#include "ads/mediation/DZCustomEvent.h"
#include "platform/foundation/Error.h"

class DZCustomEventInterstitial;
class DZCustomEventRequest;
namespace platform::ui {
class ViewController;
}

class DZCustomEventInterstitialDelegate {
  public:
    virtual ~DZCustomEventInterstitialDelegate() = default;
    virtual void customEventInterstitialDidReceiveAd(DZCustomEventInterstitial& interstitial) = 0;
    virtual void customEventInterstitialDidFailAd(DZCustomEventInterstitial& interstitial,
                                                  platform::ErrorRef error) = 0;
    virtual void customEventInterstitialWasClicked(DZCustomEventInterstitial& interstitial) = 0;
    virtual void customEventInterstitialWillPresent(DZCustomEventInterstitial& interstitial) = 0;
    virtual void customEventInterstitialWillDismiss(DZCustomEventInterstitial& interstitial) = 0;
    virtual void customEventInterstitialDidDismiss(DZCustomEventInterstitial& interstitial) = 0;
    virtual void customEventInterstitialWillLeaveApplication(DZCustomEventInterstitial& interstitial) = 0;
};

class DZCustomEventInterstitial : public virtual DZCustomEvent,
                                  public DZCustomEventDelegateHolder<DZCustomEventInterstitialDelegate> {
  public:
    virtual void requestInterstitialAd(const std::optional<std::string>& parameter,
                                       const std::optional<std::string>& label,
                                       const std::shared_ptr<DZCustomEventRequest>& request) = 0;
    virtual void presentFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& rootViewController) = 0;
};
