#pragma once
// What the ad-manager banner and interstitial share as owners of ads the app draws itself: the
// hand-over of the slot's ad and the reports that come back to the slot. Main thread only.
#include <functional>
#include <memory>
#include <string>

#include "ads/foundation/DZRequestError.h"
#include "ads/public/RUVCustomRenderedAd.h"

class DZSlot;

class RUVCustomRenderingOwner : public RUVCustomRenderedAdDelegate {
  public:
    // Reports of an ad the slot no longer shows go nowhere.
    void recordClick(RUVCustomRenderedAd& ad) override;
    void recordCustomAdImpression(RUVCustomRenderedAd& ad) override;
    void finishedRenderingAdView(RUVCustomRenderedAd& ad,
                                 const std::shared_ptr<platform::ui::View>& view) override;

  protected:
    // Hands the slot's ad to `deliver` (the app's delegate, null when the app set none that
    // takes it): the slot renders from now on and true is answered. Without a taker, false with a
    // code 12 error naming `protocol`, `ownerKind` and the owner.
    using Deliver = std::function<void(const std::shared_ptr<RUVCustomRenderedAd>&)>;
    bool handOverCustomRenderedAd(DZSlot& slot, const std::shared_ptr<DZAd>& ad,
                                  std::weak_ptr<RUVCustomRenderedAdDelegate> self, const Deliver& deliver,
                                  const char* protocol, const char* ownerKind, const std::string& owner,
                                  platform::ErrorRef* error);

  private:
    virtual DZSlot* customRenderingSlot() const = 0;
    // The slot, while `ad` is the ad it shows.
    DZSlot* slotShowing(const RUVCustomRenderedAd& ad) const;
};
