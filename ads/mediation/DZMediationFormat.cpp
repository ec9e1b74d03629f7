#include "ads/mediation/DZMediationFormat.h"

#include "ads/core/DZAd.h"
#include "ads/core/slot/DZAdFormatRegistry.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZRequestError.h"

void DZMediationFormat::registerFormat() {
    DZAdFormatRegistry::shared().registerResponseType(kDZAdResponseTypeMediation,
                                                      [] { return std::make_shared<DZMediationFormat>(); });
}

void DZMediationFormat::processResponse(DZSlot& slot, const std::shared_ptr<DZAd>&) {
    slot.didFailToReceiveAdWithError(DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(
                                         kDZErrorMediationAdapterError, slot.requestParametersForError(), 0,
                                         std::string("Mediated ads are not supported by this build.")),
                                     false);
}
