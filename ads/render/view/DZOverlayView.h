#pragma once
// A second page over an ad: the ad page (the main ad view) asks, with messages no handler takes,
// for an overlay page to be loaded, shown or hidden, and talks to it; this view loads that page in
// an ad view of its own, shows or hides itself, and relays the messages both ways. Messages of
// any other ad view are not followed. The overlay page's base may only be an http, https or
// about address. Hidden until the main page says "showOverlay". Main thread only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/render/bridge/DZNotification.h"
#include "ads/render/view/DZAdView.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/View.h"

class DZAdViewDelegate;

class DZOverlayView : public platform::ui::View, public DZAdViewDelegateProtocol {
  public:
    static std::shared_ptr<DZOverlayView> create(platform::Rect frame);
    explicit DZOverlayView(platform::Rect frame);  // use create()
    ~DZOverlayView() override;
    const char* className() const override { return "DZOverlayView"; }

    // Follows this ad view's messages from now on (none with null); the old overlay page goes.
    void setAdView(const std::shared_ptr<DZAdView>& adView);
    std::shared_ptr<DZAdView> adView() const { return adView_; }
    // The overlay page; null before one is needed.
    const std::shared_ptr<DZAdView>& overlayView() const { return overlayView_; }
    const std::optional<std::string>& overlayIdentifier() const { return overlayIdentifier_; }

    void addOverlaySubview();
    void removeOverlaySubview();
    void loadOverlayWithUserInfo(const DZNotification::Parameters& userInfo);
    void sendMessageToOverlayWithUserInfo(const DZNotification::Parameters& userInfo);
    void sendMessageToAdViewWithUserInfo(const DZNotification::Parameters& userInfo);

    // DZAdViewDelegateProtocol (of the overlay page)
    bool adViewShouldStartLoad(DZAdView& adView, const platform::web::NavigationAction& action) override;
    void adViewDidStartLoad(DZAdView& adView) override;
    void adViewDidFinishLoad(DZAdView& adView) override;
    void adViewDidFailLoad(DZAdView& adView, const platform::web::WebError& error) override;

    // Overlay pages one page of the ad may load (counted in its allowance); later ones are refused
    // with one log line.

  private:
    using Token = platform::ui::NotificationCenter::Token;
    // Observes `name` from `source` only; the handler gets the message's parameters.
    Token observe(const char* name, const DZAdView* source,
                  void (DZOverlayView::*handler)(const DZNotification::Parameters&));
    void showOverlay(const DZNotification::Parameters&) { setHidden(false); }
    void hideOverlay(const DZNotification::Parameters&) { setHidden(true); }
    void stopObservingAdView();

    std::shared_ptr<DZAdView> adView_;
    std::shared_ptr<DZAdView> overlayView_;
    std::shared_ptr<DZAdViewDelegate> adViewDelegate_;
    std::optional<DZNotification::Parameters> loadOverlayUserInfo_;
    std::optional<std::string> overlayIdentifier_;
    std::vector<Token> adViewObservers_;
    std::vector<Token> overlayObservers_;
};
