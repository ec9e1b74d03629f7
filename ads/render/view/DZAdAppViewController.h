#pragma once
// A full-screen ad screen that shows an ad web view with a close button in its top left corner:
// the base of the interstitial, the supplemental web app and the expanded ad. The page may draw
// its own close control ("custom close"); the button then goes, or, for a rich-media ad, stays as
// an invisible tappable area. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "ads/render/overlay/DZViewController.h"

class DZAdView;
class DZAdAppAdViewDelegate;
namespace platform::ui {
class Button;
}

class DZAdAppViewController : public DZViewController {
  public:
    // With no ad view, a new one is made whose controller is this one.
    static std::shared_ptr<DZAdAppViewController> create(std::shared_ptr<DZAdView> adView = nullptr);
    explicit DZAdAppViewController(std::shared_ptr<DZAdView> adView);  // use create()
    ~DZAdAppViewController() override;

    // Loaded at once when the view exists, else when it is first shown.
    void load(const std::string& url);
    void loadHTML(const std::string& html, const std::string& baseURL);

    bool useCustomClose() const { return useCustomClose_; }
    void setUseCustomClose(bool useCustomClose);
    int customClosePosition() const { return customClosePosition_; }
    void setCustomClosePosition(int position);
    // Shown over the app with a transparent background (true), or the default way (false).
    // Settles how the next presentation shows the controller.
    void setUsesTransparentOverlayPresenter(bool transparent);

    void closeButtonPressed();
    // The page said what kind of ad it is (rich media) after it was put on screen: the close
    // control follows.
    virtual void adKindDidChange();
    // After the view changed size (a resized ad): the ad view fills it again and the close area
    // goes back to its place.
    void layoutContent();
    virtual bool isLoaded() const;

    const std::shared_ptr<DZAdView>& adView() const { return adView_; }
    const std::shared_ptr<DZAdAppAdViewDelegate>& adViewDelegate() const { return adViewDelegate_; }
    const std::shared_ptr<platform::ui::Button>& closeButton() const { return closeButton_; }
    const std::shared_ptr<platform::ui::ViewController>& hostViewController() const { return host_; }
    void setHostViewController(std::shared_ptr<platform::ui::ViewController> host) {
        host_ = std::move(host);
    }

    bool shouldDismissOnApplicationEnteringForeground() override;
    void viewChangedToOrientation(int orientation) override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    static constexpr const char* kCloseAccessibilityLabel = "Close Advertisement";

  protected:
    virtual void configureView();
    void updateCloseButtonVisibilityAndImage();
    void positionMRAIDCloseButton();
    // Gives the ad view up (an interstitial lets its host's view go when it has gone).
    void releaseAdView();

    bool isMRAIDAd() const;

  private:
    void placeCloseButton();
    // The host's page is shown here (an interstitial's, or an expanded or resized ad's): it hears
    // its visibility from this screen.
    void tellHostPageVisibility(bool visible);

    bool viewHasAppeared_ = false;
    bool configured_ = false;
    std::optional<std::string> URLToLoad_;
    std::optional<std::pair<std::string, std::string>> HTMLToLoad_;
    bool useCustomClose_ = false;
    int customClosePosition_ = 0;
    std::shared_ptr<DZAdView> adView_;
    std::shared_ptr<platform::ui::ViewController> host_;
    std::shared_ptr<DZAdAppAdViewDelegate> adViewDelegate_;
    std::shared_ptr<platform::ui::Button> closeButton_;
};
