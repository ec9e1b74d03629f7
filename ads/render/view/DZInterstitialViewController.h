#pragma once
// The full-screen controller of an interstitial: shows its host's own ad view, tells a rich-media
// page when it is shown (also when the page says what it is only once on screen) and hidden, and
// keeps the public interstitial object alive while on screen.
#include "ads/render/view/DZAdAppViewController.h"

class DZInterstitialViewController : public DZAdAppViewController {
  public:
    static std::shared_ptr<DZInterstitialViewController> create(const std::shared_ptr<DZAdHost>& host);
    explicit DZInterstitialViewController(std::shared_ptr<DZAdView> adView)  // use create()
        : DZAdAppViewController(std::move(adView)) {}

    // The public object held from presentation until the controller has gone.
    void setInterstitial(std::shared_ptr<void> interstitial) {
        pendingInterstitial_ = std::move(interstitial);
    }
    const std::shared_ptr<void>& interstitial() const { return interstitial_; }
    const std::string& screenName() const { return screenName_; }
    void setScreenName(std::string name) { screenName_ = std::move(name); }

    void presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& from,
                                   std::function<void()> completion) override;
    void relinquishScreenWithCompletion(std::function<void()> completion) override;
    void finishAppearing() override;
    void adKindDidChange() override;
    void finishDismissal() override;
    // The host's ad has loaded (state 6).
    bool isLoaded() const override;

  private:
    void tellShown();

    bool appeared_ = false;
    bool toldShown_ = false;
    std::shared_ptr<void> pendingInterstitial_;
    std::shared_ptr<void> interstitial_;
    std::string screenName_;
};
