#pragma once
// The navigation delegate of the page a full-screen ad-app controller shows after a click or an
// expansion: a link the user follows there pings the ad's click URLs (each needs its own tap on
// the view while the ad is protected, as every open of the page does), each load switches the
// rich-media script interception on while it runs, and the landing page's load times go into
// the ad's statistics. Main thread only.
#include <memory>

#include "ads/render/view/DZAdViewDelegate.h"

class DZAdAppViewController;

class DZAdAppAdViewDelegate : public DZAdViewDelegate {
  public:
    inline static const std::string kDisableClickPingKey =
        "/rerive/ads/disable_interstitial_click_ping_on_click_navigation";

    // With the base handlers, the ad-app handler and, for an interstitial's host, app events.
    static std::shared_ptr<DZAdAppAdViewDelegate> create(
        const std::weak_ptr<DZAdAppViewController>& controller);
    explicit DZAdAppAdViewDelegate(std::weak_ptr<DZAdAppViewController> controller);  // use create()
    ~DZAdAppAdViewDelegate() override;

    std::shared_ptr<DZAdAppViewController> webAppViewController() const { return controller_.lock(); }
    void setWebAppViewController(std::weak_ptr<DZAdAppViewController> c) { controller_ = std::move(c); }

    // DZAdViewDelegateProtocol
    bool adViewShouldStartLoad(DZAdView& adView, const platform::web::NavigationAction& action) override;
    void adViewDidStartLoad(DZAdView& adView) override;
    void adViewDidFinishLoad(DZAdView& adView) override;
    void adViewDidFailLoad(DZAdView& adView, const platform::web::WebError& error) override;

  private:
    void releaseInterceptor();
    // A link the page follows in this view itself (not an anchor of the page, nor one the opener
    // or the in-app browser takes).
    bool followsLinkInPlace(const DZAdView& adView, const platform::web::NavigationAction& action) const;

    std::weak_ptr<DZAdAppViewController> controller_;
    // This page's hold on the interception: at most one, given back when the load ends or the
    // delegate goes, so a page that never ends cannot keep it on.
    bool interceptorHeld_ = false;
};
