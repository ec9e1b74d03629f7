#include "ads/mediation/DZMAdManager.h"
