#pragma once
// A custom event that serves banners, and what it tells the adapter that asked it.
#include <memory>
#include <optional>
#include <string>

#include "ads/core/DZAdSize.h"
#include "ads/mediation/DZCustomEvent.h"
#include "platform/foundation/Error.h"

class DZCustomEventBanner;
class DZCustomEventRequest;
namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

class DZCustomEventBannerDelegate {
  public:
    virtual ~DZCustomEventBannerDelegate() = default;
    virtual void customEventBannerDidReceiveAd(DZCustomEventBanner& banner,
                                               std::shared_ptr<platform::ui::View> view) = 0;
    virtual void customEventBannerDidFailAd(DZCustomEventBanner& banner, platform::ErrorRef error) = 0;
    virtual void customEventBannerWasClicked(DZCustomEventBanner& banner) = 0;
    virtual void customEventBannerWillPresentModal(DZCustomEventBanner& banner) = 0;
    virtual void customEventBannerWillDismissModal(DZCustomEventBanner& banner) = 0;
    virtual void customEventBannerDidDismissModal(DZCustomEventBanner& banner) = 0;
    virtual void customEventBannerWillLeaveApplication(DZCustomEventBanner& banner) = 0;
    virtual void customEventBannerClickDidOccurInAd(DZCustomEventBanner& banner,
                                                    const std::shared_ptr<platform::ui::View>& view) = 0;
    virtual std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView() = 0;
};

class DZCustomEventBanner : public virtual DZCustomEvent,
                            public DZCustomEventDelegateHolder<DZCustomEventBannerDelegate> {
  public:
    virtual void requestBannerAd(DZAdSize size, const std::optional<std::string>& parameter,
                                 const std::optional<std::string>& label,
                                 const std::shared_ptr<DZCustomEventRequest>& request) = 0;
};
