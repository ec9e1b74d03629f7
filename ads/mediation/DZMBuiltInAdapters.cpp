#include "ads/mediation/DZMBuiltInAdapters.h"

#include "ads/mediation/DZMAdapterCustomEvents.h"
#include "ads/mediation/DZMAdapterHTML.h"

void DZMBuiltInAdapters::registerAll() {
    DZMAdapterCustomEvents::registerClass();
    DZMAdapterHTML::registerClass();
}
