#pragma once
// An ad the app draws itself from the ad's HTML: the ad-manager banner or interstitial that
// received it hands it over, and the app reports back through it when the ad was seen, clicked
// and drawn. Reports go to the owner only while it lives and only while this is still the ad its
// slot shows: a late report of an ad that was replaced since pings nothing. Main thread only.
#include <memory>
#include <string>

namespace platform::ui {
class View;
}
class DZAd;
class RUVCustomRenderedAd;

// The banner or interstitial that handed the ad over.
class RUVCustomRenderedAdDelegate {
  public:
    virtual ~RUVCustomRenderedAdDelegate() = default;
    virtual void recordClick(RUVCustomRenderedAd& ad) = 0;
    virtual void recordCustomAdImpression(RUVCustomRenderedAd& ad) = 0;
    virtual void finishedRenderingAdView(RUVCustomRenderedAd& ad,
                                         const std::shared_ptr<platform::ui::View>& view) = 0;
};

class RUVCustomRenderedAd {
  public:
    // Null without an ad. The base URL is the origin ("/" on it) of the ad's base when that is an
    // http or https URL, "" otherwise: no other scheme reaches the app.
    static std::shared_ptr<RUVCustomRenderedAd> create(const std::shared_ptr<DZAd>& ad);
    // The origin of an http or https URL with "/" as its path; "" for anything else.
    static std::string rootURLOf(const std::string& url);

    const std::string& adHTML() const { return adHTML_; }
    const std::string& adBaseURL() const { return adBaseURL_; }
    // The ad it was made of, null once the owner let it go.
    std::shared_ptr<DZAd> ad() const { return ad_.lock(); }

    std::shared_ptr<RUVCustomRenderedAdDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<RUVCustomRenderedAdDelegate> delegate) { delegate_ = std::move(delegate); }

    void recordClick();
    void recordImpression();
    // The app has drawn the ad in `view`.
    void finishedRenderingAdView(const std::shared_ptr<platform::ui::View>& view);

    RUVCustomRenderedAd(std::string html, std::string baseURL, std::weak_ptr<DZAd> ad)
        : adHTML_(std::move(html)), adBaseURL_(std::move(baseURL)), ad_(std::move(ad)) {}  // use create()

  private:
    const std::string adHTML_;
    const std::string adBaseURL_;
    const std::weak_ptr<DZAd> ad_;
    std::weak_ptr<RUVCustomRenderedAdDelegate> delegate_;
};
