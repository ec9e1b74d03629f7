#pragma once
// The navigation delegate of a host's own ad view (banner or interstitial creative). It decides
// what counts as a click (a touched view, a settled page, a host not rendering, no reload or
// back-forward), turns clicks into the opener's work instead of letting the creative navigate, and
// tells the host when its page has loaded, honouring the page's own load delays. Main thread only.
#include <memory>

#include "ads/render/view/DZAdViewDelegate.h"

class DZAdHost;
class DZDelayPageLoadAMSGHandler;
namespace platform {
class MainLoopTimer;
}

// What a delay-page-load handler tells its owner.
class DZDelayLoadDelegate {
  public:
    virtual ~DZDelayLoadDelegate() = default;
    virtual void loadHandlerDidChangeDelay(DZDelayPageLoadAMSGHandler& handler, int from, int to) = 0;
    virtual void loadHandlerDidCancel(DZDelayPageLoadAMSGHandler& handler) = 0;
};

class DZBannerAdViewDelegate : public DZAdViewDelegate, public DZDelayLoadDelegate {
  public:
    // A delay still held this long after the page finished cancels the load.
    static constexpr double kMaxLoadDelaySeconds = 30;
    // Navigations this soon after an ad loaded are the page's own, not clicks.
    static constexpr double kMinSecondsAfterLoadForClick = 0.15;

    // With the base handlers, then the host's: app event, ad app, swipe, delay page load.
    static std::shared_ptr<DZBannerAdViewDelegate> create(const std::weak_ptr<DZAdHost>& host);
    explicit DZBannerAdViewDelegate(std::weak_ptr<DZAdHost> host);  // use create()
    ~DZBannerAdViewDelegate() override;

    std::shared_ptr<DZAdHost> host() const { return host_.lock(); }
    bool isLoadFinished() const { return loadFinished_; }
    bool isLoadDelayed() const { return loadDelayed_; }
    bool isClick(platform::web::NavigationType type) const;

    // The handler that counts the page's load delays.
    const std::shared_ptr<DZDelayPageLoadAMSGHandler>& delayHandler() const { return delayHandler_; }
    // A delay still held this long after the page finished gives the load up.
    bool isDelayCapArmed() const { return delayCapTimer_ != nullptr; }

    // DZAdViewDelegateProtocol
    bool adViewShouldStartLoad(DZAdView& adView, const platform::web::NavigationAction& action) override;
    // A new page: its own load and delays, none of the last page's.
    void adViewDidStartLoad(DZAdView& adView) override;
    void adViewDidFinishLoad(DZAdView& adView) override;
    void adViewDidFailLoad(DZAdView& adView, const platform::web::WebError& error) override;
    void adViewContentSizeDidChange(DZAdView& adView, platform::web::ContentSize size) override;

    // DZDelayLoadDelegate
    void loadHandlerDidChangeDelay(DZDelayPageLoadAMSGHandler& handler, int from, int to) override;
    void loadHandlerDidCancel(DZDelayPageLoadAMSGHandler& handler) override;

  protected:
    // The host's handlers after the base ones; create() calls it once the delegate is shared.
    void registerHostHandlers();
    // As a click opens outside the app: from this page, through the host's click rewrite.
    void openLinkInAppBrowser(DZAdView& adView, const std::string& url) override;

  private:
    void armDelayCap();
    void stopDelayCap();

    std::weak_ptr<DZAdHost> host_;
    std::shared_ptr<DZDelayPageLoadAMSGHandler> delayHandler_;
    std::shared_ptr<platform::MainLoopTimer> delayCapTimer_;
    bool loadFinished_ = false;
    bool loadDelayed_ = false;
};
