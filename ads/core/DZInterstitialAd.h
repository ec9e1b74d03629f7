#pragma once
// The ad of an interstitial request.
#include "ads/core/DZAd.h"

class DZInterstitialAd : public DZAd {
  public:
    DZInterstitialAd() = default;
    explicit DZInterstitialAd(const nlohmann::json& dictionary) : DZAd(dictionary) {}
};
