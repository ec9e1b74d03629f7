#pragma once
// The one object through which an ad's click becomes an action outside the ad: it keeps the
// context of the last navigation, guards every open action with the auto-click rule, asks the
// user before a phone-like scheme leaves the app, and tells the host and its delegate of a click.
// Only http and https pages and, when the desktop has a handler for them, phone numbers are ever
// handed on; every other scheme (app links, file:, data:, javascript:, unknown ones) is refused
// with one log line before anything else happens; the in-app browser takes http and https
// alone.
// Main thread only.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ads/render/bridge/DZPageAllowance.h"
#include "platform/calendar/EventEditViewController.h"
#include "platform/compose/MailComposeViewController.h"
#include "platform/compose/MessageComposeViewController.h"
#include "platform/ui/AlertView.h"

namespace platform::store {
class StoreProductViewController;
}
namespace platform::ui {
class ViewController;
}
class DZAdAppViewController;
class DZAdView;
class DZMRAIDResizeProperties;
class DZAdHost;
class DZSupplementalAdAppViewController;

class DZOpenerDelegate {
  public:
    virtual ~DZOpenerDelegate() = default;
    virtual void didLeaveApplication() {}
    virtual void didOpenInApplication() {}
};

class DZOpener : public platform::ui::AlertViewDelegate,
                 public platform::compose::MailComposeDelegate,
                 public platform::compose::MessageComposeDelegate,
                 public platform::calendar::EventEditViewDelegate,
                 public std::enable_shared_from_this<DZOpener> {
  public:
    // Scheme to confirmation button title, written by the core's constants.
    inline static const std::string kConfirmSchemesKey = "/rerive/ads/clickthrough_confirm_schemes";
    // Longer than any command line a desktop handler could be started with.
    static constexpr std::size_t kMaxURLLength = 64 * 1024;

    // The navigation the policy is deciding.
    void setNavigationContext(const std::string& url,
                              std::weak_ptr<platform::ui::ViewController> viewController,
                              std::weak_ptr<DZAdView> adView);
    const std::string& navigationURL() const { return navigationURL_; }
    std::shared_ptr<platform::ui::ViewController> viewController() const { return viewController_.lock(); }
    std::shared_ptr<DZAdView> adView() const { return adView_.lock(); }
    // Forgets the view controller, the ad view and the host (their delegate is going), and
    // withdraws a question still open.
    void clearContext();
    // The host whose ad the clicks belong to.
    void setHost(std::weak_ptr<DZAdHost> host) { host_ = std::move(host); }
    std::shared_ptr<DZAdHost> host() const { return host_.lock(); }
    // The page a click left from.
    void setReferringURL(const std::string& url) { referringURL_ = url; }
    const std::string& referringURL() const { return referringURL_; }
    void setDelegate(std::weak_ptr<DZOpenerDelegate> delegate) { delegate_ = std::move(delegate); }

    // While protected, no open action runs unless a recent tap on the ad view explains it (each
    // tap one open). Every opener is protected from the moment it is made: an opener of a host's
    // ad as its host says (the one place that knows, for every view of the ad), one without a
    // host unless the core page's constants switch protection off. Switching an opener's own
    // protection off is for opens of the user's own asking, never of a page's.
    void setAutoClickProtected(bool on) { autoClickProtected_ = on; }
    // Ads are protected unless the core page's constants say "0" (or "false") here.
    inline static const std::string kAutoClickProtectionKey = "/rerive/ads/enable_auto_click_protection";
    static bool autoClickProtectionByDefault();
    bool autoClickProtected() const;
    // Set when a click left the app; the full-screen controller clears it on the way back.
    bool didOpenAnotherApplication() const { return didOpenAnotherApplication_; }
    void setDidOpenAnotherApplication(bool did) { didOpenAnotherApplication_ = did; }

    bool canOpenContent(bool hasContent) const { return hasContent && viewController_.lock() != nullptr; }
    // The auto-click rule: a refusal posts "navigationBlocked" to the core's active page.
    bool shouldPerformOpenAction();
    // The same rule for the click a page reports, which is billed and carries the click signal:
    // while protected, only a recent tap on the ad view explains it, each tap one click (apart
    // from its one open). A refusal is logged once for the page.
    bool shouldReportClick();
    // Logs that a page's deeplink+ trackers went unpinged, once for the page.
    void logUnpingedDeeplinkTrackers();

    // The host counts the click and pings its click URLs; the delegate hears where it went.
    void didOpen();
    void didOpenInApp();

    // The button title that confirms a URL of this scheme (any case), when it needs one.
    std::optional<std::string> confirmationMessageForURL(const std::string& url) const;
    // Asks the user; at most one question per opener at a time.
    void confirmClickToURL(const std::string& url, const std::string& title);
    std::shared_ptr<platform::ui::AlertView> confirmationAlert() const { return confirmationAlert_; }

    // True when the URL is to be handed on, after this run-loop turn; false when it was refused,
    // blocked, or waits for the user's confirmation. Only a URL the desktop took counts as a
    // click (and leaves the app); a page it could not open is told in an alert instead.
    static constexpr const char* kOpenFailedMessage = "The page could not be opened.";
    bool openApp(const std::string& url);
    // The in-app browser over the view controller, when the ad view's window supports one of
    // the orientations; true when it is presented.
    bool openBrowserToURL(const std::string& url, int supportedOrientations);

    // Rich-media states (defined in DZOpenerWebApp.cpp): a second page over the app, the ad
    // itself full screen, or the ad resized in place. Refusals reach the creative as errors
    // through the host's ad's event handler.
    // The orientation test runs first; only when the ad view supports one of `mask` is the
    // auto-click rule consulted.
    bool shouldPerformOpenActionWithOrientations(unsigned mask);
    void configureOverlay(DZAdAppViewController& controller, unsigned orientations, bool useCustomClose);
    std::shared_ptr<DZSupplementalAdAppViewController> overlayWithOrientations(unsigned orientations,
                                                                               bool useCustomClose);
    void openWebApp(const std::string& url, unsigned supportedOrientations, bool useCustomClose);
    void openWebAppWithHTML(const std::string& html, unsigned supportedOrientations, bool useCustomClose);
    void expandToWebAppWithSupportedOrientations(unsigned supportedOrientations, bool useCustomClose);
    void openWebAppWithResizeProperties(const std::shared_ptr<DZMRAIDResizeProperties>& properties);
    void disableAutoCollapseForResize();
    // A creative's calendar event (the message's parameters).
    void openCalendarWithDictionary(const std::map<std::string, std::string>& parameters);

    // Store sheets and purchases (DZOpenerStore.cpp). Product numbers are decimal, 1 to 18
    // digits; any other is refused with a log line. Sheets loaded ahead of a click are kept,
    // the most recent few only.
    static constexpr std::size_t kMaxCachedStoreSheets = 4;
    static bool isValidStoreProductID(const std::string& productID);
    void fetchInAppStoreForProductID(const std::string& productID);
    void openInAppStoreWithProductID(const std::string& productID, const std::string& fallbackURL,
                                     bool shouldWaitForFetch);
    void openInAppPurchase(const std::string& productID, int quantity,
                           std::vector<std::string> reportingURLStringFormats);
    std::shared_ptr<platform::store::StoreProductViewController> cachedStoreProductViewController(
        const std::string& productID) const;
    std::size_t cachedStoreProductViewControllerCount() const { return cachedStoreSheets_.size(); }

    // Composers (DZOpenerComposers.cpp). A composer asked for while the full-screen ad still
    // appears is tried again every quarter second, a bounded number of times.
    static constexpr double kComposerRetrySeconds = 0.25;
    static constexpr int kMaxComposerRetries = 20;
    // More recipients than a person would write to is no link a user meant.
    static constexpr std::size_t kMaxComposerRecipients = 100;
    void openEmailComposer(const std::string& url);
    void openSmsComposer(const std::string& url);
    void presentComposerController(const std::shared_ptr<platform::ui::ViewController>& controller);
    void mailComposeControllerDidFinish(platform::compose::MailComposeViewController& controller,
                                        platform::compose::ComposeResult result) override;
    void messageComposeViewControllerDidFinish(platform::compose::MessageComposeViewController& controller,
                                               platform::compose::ComposeResult result) override;
    void eventEditViewControllerDidComplete(platform::calendar::EventEditViewController& controller,
                                            platform::calendar::EventEditAction action) override;

    // platform::ui::AlertViewDelegate
    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int buttonIndex) override;
    void alertViewDidDismissWithButtonIndex(platform::ui::AlertView& alert, int buttonIndex) override;

  private:
    // What openApp hands on: the URL as it is opened, or "" when refused (logged).
    static std::string openableTarget(const std::string& url, bool& phoneCall);
    // openApp for an open a tap explained already (the user's answer to the question, the
    // fallback of a store sheet the tap showed): the auto-click rule is not asked again. Without
    // `countsClick` the open counts no click of its own (the tap's was counted).
    bool openExplainedApp(const std::string& url, bool countsClick);
    bool handOn(const std::string& url, const std::string& target, bool phoneCall, bool countsClick);
    // Where the ad view's page keeps its counts; the opener's own without an ad view.
    std::shared_ptr<DZPageAllowance> pageAllowance() const;

    std::string navigationURL_;
    std::weak_ptr<platform::ui::ViewController> viewController_;
    std::weak_ptr<DZAdView> adView_;
    std::weak_ptr<DZAdHost> host_;
    std::weak_ptr<DZOpenerDelegate> delegate_;
    std::string referringURL_;
    bool autoClickProtected_ = true;
    std::shared_ptr<DZPageAllowance> viewlessAllowance_ = std::make_shared<DZPageAllowance>();
    bool didOpenAnotherApplication_ = false;
    // URLs the user confirmed once; kept for the opener's life.
    std::set<std::string> allowedAppURLs_;
    std::shared_ptr<platform::ui::AlertView> confirmationAlert_;
    std::string confirmationURL_;
    // Oldest first.
    std::vector<std::pair<std::string, std::shared_ptr<platform::store::StoreProductViewController>>>
        cachedStoreSheets_;

    void presentComposerController(const std::shared_ptr<platform::ui::ViewController>& controller,
                                   int attempt);
};
