#include "ads/public/DZAdActivity.h"

#include "ads/core/DZAdFetcher.h"
#include "ads/foundation/DZClickTrackerCollection.h"

long long DZAdActivity::fetchesStarted() {
    return DZAdFetcher::fetchesStarted();
}

std::size_t DZAdActivity::pingsInFlight() {
    return dz_pingsInFlight();
}
