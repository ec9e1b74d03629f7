#pragma once
// The built-in adapter that serves the component's own ads in a network's turn: an ordinary
// banner view or interstitial for the ad unit in the network's "pubid" credential, loaded with
// the request the connector describes. Native ads wait for the native ad loader: not served here
// yet (the connector fails such a request). Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "ads/public/DZMPublicObjectAdapter.h"

class DZMAdapterReriveDiDazAds : public DZMPublicObjectAdapter {
  public:
    inline static const std::string kClassName = "DZMAdapterReriveDiDazAds";

    static void registerClass();
    DZMAdapterReriveDiDazAds() : DZMPublicObjectAdapter(true) {}

    void getBannerWithSize(DZAdSize size) override;
    void getInterstitial() override;
    std::string adapterVersion() const override;
    std::optional<std::string> networkExtrasClass() const override;
};
