// The ad's statistics, apart from the model: they report to the application object.
#include "ads/core/DZAd.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZStatisticDictionary.h"

std::shared_ptr<DZStatisticDictionary> DZAd::statistics() {
    if (!statistics_) statistics_ = DZStatisticDictionary::initWithDelegate(DZApplication::sharedInstance());
    return statistics_;
}
