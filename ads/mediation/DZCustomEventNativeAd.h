#pragma once
// A custom event that serves native ads, and what it tells the adapter that asked it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/mediation/DZCustomEvent.h"
#include "platform/foundation/Error.h"

class DZCustomEventNativeAd;
class DZCustomEventRequest;
class DZMediatedAd;
namespace platform::ui {
class ViewController;
}

class DZCustomEventNativeAdDelegate {
  public:
    virtual ~DZCustomEventNativeAdDelegate() = default;
    virtual void customEventNativeAdDidReceiveMediatedNativeAd(DZCustomEventNativeAd& event,
                                                               std::shared_ptr<DZMediatedAd> ad) = 0;
    virtual void customEventNativeAdDidFailToLoad(DZCustomEventNativeAd& event, platform::ErrorRef error) = 0;
};

class DZCustomEventNativeAd : public virtual DZCustomEvent,
                              public DZCustomEventDelegateHolder<DZCustomEventNativeAdDelegate> {
  public:
    virtual void requestNativeAd(const std::optional<std::string>& parameter,
                                 const std::shared_ptr<DZCustomEventRequest>& request,
                                 const std::vector<std::string>& adTypes,
                                 const std::vector<nlohmann::json>& options,
                                 const std::shared_ptr<platform::ui::ViewController>& rootViewController) = 0;
};
