#include "ads/public/RUVCustomRenderingOwner.h"

#include "ads/core/slot/DZSlot.h"

bool RUVCustomRenderingOwner::handOverCustomRenderedAd(DZSlot& slot, const std::shared_ptr<DZAd>& ad,
                                                       std::weak_ptr<RUVCustomRenderedAdDelegate> self,
                                                       const Deliver& deliver, const char* protocol,
                                                       const char* ownerKind, const std::string& owner,
                                                       platform::ErrorRef* error) {
    auto customAd = deliver ? RUVCustomRenderedAd::create(ad) : nullptr;
    if (!customAd) {
        if (error) {
            *error = DZRequestError::errorWithCodeCustomMessage(
                kDZErrorInvalidArgument,
                std::string("Ignoring delegate callback. Delegate does not conform to ") + protocol + ".\n" +
                    ownerKind + ": " + owner + "\nDelegate: " + (deliver ? protocol : "(null)"));
        }
        return false;
    }
    customAd->setDelegate(std::move(self));
    slot.willStartAdRendering();
    deliver(customAd);
    return true;
}

DZSlot* RUVCustomRenderingOwner::slotShowing(const RUVCustomRenderedAd& ad) const {
    DZSlot* slot = customRenderingSlot();
    const auto shown = ad.ad();
    return slot && shown && slot->ad() == shown ? slot : nullptr;
}

void RUVCustomRenderingOwner::recordClick(RUVCustomRenderedAd& ad) {
    if (auto* slot = slotShowing(ad)) slot->pingClickURLs();
}

void RUVCustomRenderingOwner::recordCustomAdImpression(RUVCustomRenderedAd& ad) {
    if (auto* slot = slotShowing(ad)) slot->didMakeAdImpression();
}

void RUVCustomRenderingOwner::finishedRenderingAdView(RUVCustomRenderedAd& ad,
                                                      const std::shared_ptr<platform::ui::View>&) {
    if (auto* slot = slotShowing(ad)) slot->didReceiveValidAd();
}
