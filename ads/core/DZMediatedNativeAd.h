#pragma once
// A native ad another network delivered through mediation: what the network gave (DZMediatedAd,
// the network's own object) wrapped with the name of the adapter that delivered it and the
// handlers that report its clicks and impression. The native ad formats build on it. Main
// thread only.
#include <functional>
#include <memory>
#include <string>
#include <utility>

class DZMediatedAd {
  public:
    virtual ~DZMediatedAd() = default;
};

class DZMediatedNativeAd {
  public:
    DZMediatedNativeAd(std::shared_ptr<DZMediatedAd> ad, std::string adNetworkClassName)
        : ad_(std::move(ad)), adNetworkClassName_(std::move(adNetworkClassName)) {}

    const std::shared_ptr<DZMediatedAd>& mediatedAd() const { return ad_; }
    // Lets go of the network's ad and hands it over: an ad that keeps this wrapper as its own
    // (our own native ads do) would otherwise keep itself alive through it.
    std::shared_ptr<DZMediatedAd> takeMediatedAd() { return std::move(ad_); }
    const std::string& adNetworkClassName() const { return adNetworkClassName_; }

    void setClickHandler(std::function<void()> handler) { clickHandler_ = std::move(handler); }
    void setImpressionHandler(std::function<void()> handler) { impressionHandler_ = std::move(handler); }
    // What the native ad's view reports; nothing until the waterfall set its handlers.
    void reportClick() const {
        if (auto handler = clickHandler_) handler();
    }
    void reportImpression() const {
        if (auto handler = impressionHandler_) handler();
    }

  private:
    std::shared_ptr<DZMediatedAd> ad_;
    std::string adNetworkClassName_;
    std::function<void()> clickHandler_;
    std::function<void()> impressionHandler_;
};
