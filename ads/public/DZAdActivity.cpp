#include "ads/public/DZAdActivity.h"

#include "ads/core/DZAdFetcher.h"
#include "ads/core/slot/DZSlotLoads.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/render/view/DZAdView.h"

long long DZAdActivity::fetchesStarted() {
    return DZAdFetcher::fetchesStarted();
}

std::size_t DZAdActivity::pingsInFlight() {
    return dz_pingsInFlight();
}

long long DZAdActivity::loadsStarted() {
    return DZSlotLoads::started();
}

std::size_t DZAdActivity::loadsUnderWaySince(long long since) {
    return DZSlotLoads::underWaySince(since);
}

long long DZAdActivity::statesTold() {
    return DZAdView::statesTold();
}

void DZAdActivity::setPagesOnRealTime(bool real) {
    DZAbsoluteTime::setPagesOnRealTime(real);
}
