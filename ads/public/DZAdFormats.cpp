#include "ads/public/DZAdFormats.h"

#include <mutex>

#include "ads/mediation/DZMAdManager.h"

void DZAdFormats::registerAll() {
    static std::once_flag once;
    std::call_once(once, [] {
        DZMAdManager::registerFormat();
        // The built-in mediation adapters (own ads, ad URL, custom events, HTML) register here,
        // each in platform::ClassRegistry under its name and kinds, so their names reach the
        // requests' "adapters" before the first response.
    });
}
