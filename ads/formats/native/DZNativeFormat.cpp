#include "ads/formats/native/DZNativeFormat.h"

#include "ads/core/DZAd.h"
#include "ads/core/slot/DZAdFormatRegistry.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/formats/native/DZAdLoader.h"

void DZNativeFormat::registerFormat() {
    DZAdFormatRegistry::shared().registerResponseType(kDZAdResponseTypeNative,
                                                      [] { return std::make_shared<DZNativeFormat>(); });
}

void DZNativeFormat::processResponse(DZSlot& slot, const std::shared_ptr<DZAd>& ad) {
    auto loader = std::dynamic_pointer_cast<DZAdLoader>(slot.adResponseDelegate());
    if (!loader) {
        slot.processStandardAdResponse(ad);
        return;
    }
    auto hold = slot.shared_from_this();
    platform::ErrorRef error;
    if (!loader->processNativeResponse(slot, ad, &error)) {
        auto requestError = std::dynamic_pointer_cast<const DZRequestError>(error);
        slot.didFailToReceiveAdWithError(
            requestError ? requestError
                         : DZRequestError::errorWithCodeUnderlyingError(kDZErrorInternalError, error),
            false);
        return;
    }
    // The slot's part ends here: what the support page makes of the ad reaches the loader's delegate.
    slot.didReceiveValidAd();
}
