#pragma once
// The ad of a banner request.
#include "ads/core/DZAd.h"

class DZBannerAd : public DZAd {
  public:
    DZBannerAd() = default;
    // As an ad, then a numeric "refresh_rate" becomes the reload interval.
    explicit DZBannerAd(const nlohmann::json& dictionary);
};
