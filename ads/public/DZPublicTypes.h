#pragma once
// The model types the game names when it asks for ads: the request it hands a banner view or an
// interstitial, and the ad sizes. They live in the ad model; the game reaches them through here.
#include "ads/core/DZAdSize.h"
#include "ads/core/DZRequest.h"
