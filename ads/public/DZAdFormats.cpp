#include "ads/public/DZAdFormats.h"

#include <mutex>

#include "ads/mediation/DZMBuiltInAdapters.h"
#include "ads/mediation/DZMediationFormat.h"
#include "ads/public/DZPublicAdapters.h"

void DZAdFormats::registerAll() {
    static std::once_flag once;
    std::call_once(once, [] {
        DZMediationFormat::registerFormat();
        DZMBuiltInAdapters::registerAll();
        DZPublicAdapters::registerAll();
    });
}
