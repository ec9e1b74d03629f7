#include "ads/public/RUVBannerView.h"

#include <string>

#include "ads/core/DZCorrelator.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZLogger.h"

std::shared_ptr<RUVBannerView> RUVBannerView::create(DZAdSize adSize) {
    return create(platform::Rect{}, adSize);
}

std::shared_ptr<RUVBannerView> RUVBannerView::create(platform::Rect frame, DZAdSize adSize) {
    platform::ErrorRef error;
    if (!DZAdSizeIsValid(adSize, &error)) {
        DZLogger::sharedInstance()->logPublicMessage("Unable to set adSize property. " +
                                                     (error ? error->localizedDescription() : std::string()));
        return nullptr;
    }
    auto banner = std::make_shared<RUVBannerView>(frame);
    banner->commonInitWithAdSize(adSize);
    return banner;
}

void RUVBannerView::recordImpression() {
    slot()->pingManualTrackingURLs();
}

std::optional<std::vector<DZAdSize>> RUVBannerView::validAdSizes() {
    if (validAdSizes_.empty()) return std::nullopt;
    return validAdSizes_;
}

void RUVBannerView::slotWillResizeToAdSize(DZSlot&, DZAdSize size) {
    auto hold = shared_from_this();
    if (auto delegate = adSizeDelegate_.lock()) delegate->adViewWillChangeAdSizeTo(*this, size);
}

void RUVBannerView::slotDidReceiveAppEvent(DZSlot&, const std::string& name,
                                           const std::optional<std::string>& info) {
    auto hold = shared_from_this();
    if (auto delegate = appEventDelegate_.lock()) delegate->adViewDidReceiveAppEvent(*this, name, info);
}

void RUVBannerView::slotWillLoadAdWithRequest(DZSlot& slot, const DZRequest&) {
    previousCorrelationID_ = slot.correlator() ? slot.correlator()->correlationID() : 0;
}

std::optional<bool> RUVBannerView::slotShouldPreemptInProgressRequest(DZSlot& slot) {
    return previousCorrelationID_ != 0 && slot.correlator() &&
           slot.correlator()->correlationID() != previousCorrelationID_;
}

std::optional<bool> RUVBannerView::slotNotifyPublisherToRenderCustomRenderingAd(
    DZSlot& slot, const std::shared_ptr<DZAd>& ad, platform::ErrorRef* error) {
    auto hold = shared_from_this();
    const std::shared_ptr<RUVCustomRenderedAdDelegate> self(std::static_pointer_cast<RUVBannerView>(hold),
                                                            this);
    Deliver deliver;
    if (auto delegate = customRenderedDelegate_.lock()) {
        deliver = [this, delegate](const std::shared_ptr<RUVCustomRenderedAd>& customAd) {
            delegate->bannerViewDidReceiveCustomRenderedAd(*this, customAd);
        };
    }
    return handOverCustomRenderedAd(slot, ad, self, deliver, "RUVCustomRenderedBannerViewDelegate",
                                    "Banner view", description(), error);
}
