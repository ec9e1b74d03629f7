#pragma once
// The navigation delegate of the in-app browser's page: it counts the landing pages the user
// follows (http and https apart) and times the landing page's load in the ad's statistics, and
// keeps the browser's toolbar in step with each load; its links load in place, never in another
// browser. On an ad view of no browser it is only the
// base policy. Main thread only.
#include <memory>

#include "ads/render/view/DZAdViewDelegate.h"

class DZBrowserViewController;

class DZBrowserAdViewDelegate : public DZAdViewDelegate {
  public:
    static std::shared_ptr<DZBrowserAdViewDelegate> create();

    // The ad view's browser controller when it is a browser's ad view, else null.
    static std::shared_ptr<DZBrowserViewController> browserControllerForAdView(const DZAdView& adView);

    // DZAdViewDelegateProtocol
    bool adViewShouldStartLoad(DZAdView& adView, const platform::web::NavigationAction& action) override;
    void adViewDidStartLoad(DZAdView& adView) override;
    void adViewDidFinishLoad(DZAdView& adView) override;
    void adViewDidFailLoad(DZAdView& adView, const platform::web::WebError& error) override;

  protected:
    // The landing page is no ad: its links load in the browser itself.
    bool opensLinksInAppBrowser() const override { return false; }
};
