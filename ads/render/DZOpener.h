#pragma once
// The click and open actions of one ad view, as far as the navigation policy uses them: it
// keeps the context of the last navigation and hands http and https URLs to the platform's URL
// opener. Every other scheme (app links, file:, data:, javascript:, unknown ones) is refused with
// one log line: nothing here can open them safely. The mail and message composers do nothing.
// Main thread only.
#include <memory>
#include <string>

namespace platform::ui {
class ViewController;
}
class DZAdView;
class DZSlot;

class DZOpener {
  public:
    // The navigation the policy is deciding.
    void setNavigationContext(const std::string& url,
                              std::weak_ptr<platform::ui::ViewController> viewController,
                              std::weak_ptr<DZAdView> adView);
    const std::string& navigationURL() const { return navigationURL_; }
    std::shared_ptr<platform::ui::ViewController> viewController() const { return viewController_.lock(); }
    std::shared_ptr<DZAdView> adView() const { return adView_.lock(); }
    // Forgets the view controller, the ad view and the slot (their delegate is going).
    void clearContext();
    // The slot whose ad the clicks belong to.
    void setSlot(std::weak_ptr<DZSlot> slot) { slot_ = std::move(slot); }
    std::shared_ptr<DZSlot> slot() const { return slot_.lock(); }
    // The page a click left from.
    void setReferringURL(const std::string& url) { referringURL_ = url; }
    const std::string& referringURL() const { return referringURL_; }

    // True when the URL was handed on.
    bool openApp(const std::string& url);
    bool openBrowserToURL(const std::string& url, int supportedOrientations);
    void openEmailComposer(const std::string& url) {}
    void openSmsComposer(const std::string& url) {}
    // Set when a click left the app; the full-screen ad reads and clears it when the app returns.
    bool didOpenAnotherApplication() const { return didOpenAnotherApplication_; }
    void setDidOpenAnotherApplication(bool opened) { didOpenAnotherApplication_ = opened; }

  private:
    bool hand(const std::string& url, const char* what);

    std::string navigationURL_;
    std::weak_ptr<platform::ui::ViewController> viewController_;
    std::weak_ptr<DZAdView> adView_;
    std::weak_ptr<DZSlot> slot_;
    std::string referringURL_;
    bool didOpenAnotherApplication_ = false;
};
