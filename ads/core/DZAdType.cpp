#include "ads/core/DZAdType.h"

#include <functional>

DZAdType DZAdType::initForInterstitial() {
    DZAdType type(kDZAdSizeInvalid);
    type.isInterstitial_ = true;
    return type;
}

DZAdType DZAdType::initForRewardBasedVideoAd() {
    DZAdType type(kDZAdSizeInvalid);
    type.isRewardBasedVideoAd_ = true;
    return type;
}

bool DZAdType::operator==(const DZAdType& other) const {
    if (this == &other) return true;
    if (isInterstitial_ && other.isInterstitial_) return true;
    return DZAdSizesAreEqual(adSize_, other.adSize_);
}

std::size_t DZAdType::hash() const {
    if (isInterstitial_) return 1;
    return std::hash<std::string>{}(NSStringFromCGSize(adSize_.size) + " " + std::to_string(adSize_.flags));
}

bool DZAdType::isValid() const {
    return isInterstitial_ || DZAdSizeIsValid(adSize_);
}

std::string DZAdType::description() const {
    if (isInterstitial_) return "DZAdType interstitial type";
    return "DZAdType banner with size: " + NSStringFromDZAdSize(adSize_);
}
