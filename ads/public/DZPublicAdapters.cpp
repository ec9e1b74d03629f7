#include "ads/public/DZPublicAdapters.h"

#include "ads/public/DZMAdURLAdapter.h"
#include "ads/public/DZMAdapterReriveDiDazAds.h"

void DZPublicAdapters::registerAll() {
    DZMAdapterReriveDiDazAds::registerClass();
    DZMAdURLAdapter::registerClass();
}
