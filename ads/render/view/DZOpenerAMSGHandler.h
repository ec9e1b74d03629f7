#pragma once
// The page's requests for a click or an open: "click" has the host's click URL followed in the
// background, "open" runs its sub-action ("app" and "call" open outside the app, "browser" and
// "video" the browser, "webapp" a second page over the app, "expand" the ad full screen) on the ad
// view's opener; no "a" means "app", an unknown "a", or an unknown "o" for the browser, opens
// nothing. Sub-actions that are not built here yet (store, purchase) end without effect. Every
// parameter is the page's: checked before use.
#include <memory>
#include <optional>
#include <string>

#include "ads/render/bridge/DZAMSGHandler.h"

class DZOpener;

class DZOpenerAMSGHandler : public DZAMSGHandler {
  public:
    explicit DZOpenerAMSGHandler(std::shared_ptr<DZOpener> opener) : opener_(std::move(opener)) {}

    const ActionTable& actionBlockDictionary() const override;
    // "a" to sub-action of "open".
    static const ActionTable& subActionBlockDictionary();

    // "u" as a URL, when it is there and parses.
    static std::optional<std::string> URLFromParameters(const DZNotification::Parameters& parameters);
    // "o": "p" 6, "l" 24, "c" the status bar's (24 in landscape, else 6), anything else 30.
    static int orientationMaskFromParameters(const DZNotification::Parameters& parameters);
    static bool customCloseFromParameters(const DZNotification::Parameters& parameters);

    void didReceiveClickNotification(const DZAMSGArguments& arguments);
    void didReceiveOpenNotification(const DZAMSGArguments& arguments);
    // Store sheets and purchases (DZOpenerAMSGHandlerStore.cpp).
    void fetchInAppStore(const DZAMSGArguments& arguments);
    void actionOpenApp(const DZAMSGArguments& arguments);
    void actionOpenBrowser(const DZAMSGArguments& arguments);
    // "u" wins over "html"; with neither, nothing.
    void actionOpenWebApp(const DZAMSGArguments& arguments);
    void actionExpand(const DZAMSGArguments& arguments);
    void actionOpenInAppStore(const DZAMSGArguments& arguments);
    // Reporting templates: at most 16, each at most a URL's length; a purchase product is 1 to
    // 255 printable characters without spaces.
    void actionOpenInAppPurchase(const DZAMSGArguments& arguments);

  private:
    std::shared_ptr<DZOpener> opener_;
};
