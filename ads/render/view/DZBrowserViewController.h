#pragma once
// The in-app browser: an ad's landing page above a toolbar with back, forward, reload (a spinner
// while a page loads), "View in Safari" (the desktop's browser) and Done. Its page counts the
// landing pages in the host's ad statistics through the browser's ad-view delegate, which also
// keeps the toolbar in step with each load. Only http and https pages are loaded; the referrer
// it sends is the host of the page the click came from, never its path. Main thread only.
#include <memory>
#include <string>

#include "ads/render/overlay/DZViewController.h"
#include "ads/render/view/DZOpener.h"
#include "platform/web/WebTypes.h"

class DZBrowserAdView;
class DZBrowserAdViewDelegate;
namespace platform::ui {
class ActivityIndicatorView;
class BarButtonItem;
class Label;
class Toolbar;
}  // namespace platform::ui

class DZBrowserViewController : public DZViewController, public DZOpenerDelegate {
  public:
    static constexpr float kToolbarHeight = 44;
    static constexpr float kLandscapeToolbarHeight = 30;
    static constexpr float kButtonWidth = 27;
    static constexpr float kSpinnerSide = 20;

    ~DZBrowserViewController() override;

    // Loads the page at once when the view exists, else when it is about to appear. A page
    // other than http or https is refused with a log line.
    void load(const std::string& url, const std::string& referringURL);
    // The request for a page: "Referer" is the referring URL's host alone, and absent when
    // that has none.
    static platform::web::WebRequest requestFor(const std::string& url, const std::string& referringURL);
    const std::string& URLToLoad() const { return URLToLoad_; }

    void back();
    void forward();
    void stop();
    void reload();
    // The current page in the desktop's browser, through an opener of its own; the ad's
    // statistics record "pcbo" once the desktop has taken it.
    void openInSafari();
    void didLeaveApplication() override;
    void doneButtonPressed();
    // Back and forward as the page allows; while it loads the spinner stands for reload and the
    // desktop's browser is not offered.
    virtual void refreshToolbar();
    // A page that could not be loaded is said so over the page's place, until the next load
    // starts; a load that was stopped or replaced is no failure.
    static constexpr const char* kLoadFailedText = "The page could not be loaded.";
    void pageDidFailToLoad(const platform::web::WebError& error);
    void pageDidStartLoad();
    // Whether the words of a failed load cover the page now.
    bool showsLoadFailure() const;

    const std::shared_ptr<DZBrowserAdView>& adView() const { return adView_; }
    const std::shared_ptr<platform::ui::Toolbar>& toolbar() const { return toolbar_; }
    const std::shared_ptr<platform::ui::BarButtonItem>& backButton() const { return backButton_; }
    const std::shared_ptr<platform::ui::BarButtonItem>& forwardButton() const { return forwardButton_; }
    const std::shared_ptr<platform::ui::BarButtonItem>& reloadButton() const { return reloadButton_; }
    const std::shared_ptr<platform::ui::BarButtonItem>& safariButton() const { return safariButton_; }
    const std::shared_ptr<platform::ui::BarButtonItem>& doneButton() const { return doneButton_; }
    const std::shared_ptr<platform::ui::BarButtonItem>& spinnerContainingButton() const {
        return spinnerContainingButton_;
    }
    const std::shared_ptr<platform::ui::ActivityIndicatorView>& spinner() const { return spinner_; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewChangedToOrientation(int orientation) override;

  private:
    // A plain image item with this controller's action.
    std::shared_ptr<platform::ui::BarButtonItem> buttonWithImage(std::shared_ptr<const platform::Image> image,
                                                                 float scale, const std::string& name,
                                                                 float width, bool enabled,
                                                                 void (DZBrowserViewController::*action)());
    void makeButtons();

    std::string URLToLoad_;
    std::string referringURLToLoad_;
    std::shared_ptr<DZBrowserAdViewDelegate> adViewDelegate_;
    std::shared_ptr<DZBrowserAdView> adView_;
    std::shared_ptr<platform::ui::Toolbar> toolbar_;
    std::shared_ptr<platform::ui::BarButtonItem> flexibleSpaceButton_;
    std::shared_ptr<platform::ui::BarButtonItem> backButton_;
    std::shared_ptr<platform::ui::BarButtonItem> forwardButton_;
    std::shared_ptr<platform::ui::BarButtonItem> reloadButton_;
    std::shared_ptr<platform::ui::BarButtonItem> safariButton_;
    std::shared_ptr<platform::ui::BarButtonItem> doneButton_;
    std::shared_ptr<platform::ui::BarButtonItem> spinnerContainingButton_;
    std::shared_ptr<platform::ui::ActivityIndicatorView> spinner_;
    std::shared_ptr<platform::ui::Label> loadFailureLabel_;
};
