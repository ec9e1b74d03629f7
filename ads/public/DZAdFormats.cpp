#include "ads/public/DZAdFormats.h"

#include <mutex>

#include "ads/mediation/DZMediationFormat.h"

void DZAdFormats::registerAll() {
    static std::once_flag once;
    std::call_once(once, [] { DZMediationFormat::registerFormat(); });
}
