#pragma once
// What a slot requests: a banner of one size, an interstitial or a reward-based video.
#include <cstddef>
#include <string>

#include "ads/core/DZAdSize.h"

class DZAdType {
  public:
    explicit DZAdType(DZAdSize adSize) : adSize_(adSize) {}
    static DZAdType initForInterstitial();
    static DZAdType initForRewardBasedVideoAd();
    static DZAdType bannerAdTypeForSize(DZAdSize size) { return DZAdType(size); }
    static DZAdType interstitialAdType() { return initForInterstitial(); }

    DZAdSize adSize() const { return adSize_; }
    void setAdSize(DZAdSize size) { adSize_ = size; }
    bool isInterstitial() const { return isInterstitial_; }
    bool isRewardBasedVideoAd() const { return isRewardBasedVideoAd_; }

    // Two interstitials are equal; banners compare their sizes. The video flag is not compared.
    bool operator==(const DZAdType& other) const;
    std::size_t hash() const;
    bool isValid() const;
    std::string description() const;

  private:
    DZAdSize adSize_;
    bool isInterstitial_ = false;
    bool isRewardBasedVideoAd_ = false;
};
