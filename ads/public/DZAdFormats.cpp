#include "ads/public/DZAdFormats.h"

#include <mutex>

#include "ads/formats/native/DZNativeFormat.h"
#include "ads/formats/purchase/DZInAppPurchaseAds.h"
#include "ads/formats/signin/DZSignedInAds.h"
#include "ads/foundation/DZApplication.h"
#include "ads/mediation/DZMAdManager.h"
#include "ads/mediation/DZMBuiltInAdapters.h"
#include "ads/public/DZPublicAdapters.h"

void DZAdFormats::registerAll() {
    static std::once_flag once;
    std::call_once(once, [] {
        installHooks();
        DZMAdManager::registerFormat();
        DZNativeFormat::registerFormat();
        // The built-in mediation adapters (custom events and HTML; own ads and ad URL, which make
        // public objects) register in platform::ClassRegistry under their names and kinds, so
        // their names reach the requests' "adapters" before the first response.
        DZMBuiltInAdapters::registerAll();
        DZPublicAdapters::registerAll();
        DZApplication::sharedInstance()->updateAvailableAdapterNamesWithPotentialAdapterNames(std::nullopt);
    });
}

void DZAdFormats::installHooks() {
    DZSignedInAds::install();
    DZInAppPurchaseAds::install();
}
