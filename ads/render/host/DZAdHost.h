#pragma once
// What a shown ad needs from whoever shows it. The ad view, its delegates, the opener and the
// screens an ad puts over the app answer to this, never to a concrete owner: the slot is one
// host, and any other owner of an ad view (another network's HTML ad, say) can be another. Held
// weakly everywhere in this layer, as the host owns the views that hold it. Main thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdType.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/render/host/DZMRAIDEventHandling.h"
#include "platform/geometry/Geometry.h"

class DZAd;
class DZAdView;
class DZInAppPurchase;
class DZIntermission;
class DZRequest;

class DZAdHost : public DZMRAIDEventHandling {
  public:
    // Posted on the default notification centre, with the host (as a DZAdHost pointer) for
    // object, when a banner's host leaves its window.
    inline static const std::string kDidLeaveWindowNotification = "DZSlotDidLeaveWindowNotification";

    ~DZAdHost() override = default;

    // --- The ad shown ---
    virtual const std::shared_ptr<DZAd>& ad() const = 0;
    virtual const std::shared_ptr<DZAdView>& adView() const = 0;
    virtual const DZAdType& adType() const = 0;
    virtual const std::shared_ptr<DZRequest>& request() const = 0;
    // Absolute milliseconds when the last HTML ad finished loading.
    virtual std::optional<uint64_t> timeLastLoaded() const = 0;
    // While the ad is a rich-media creative that announced itself.
    virtual bool isMRAIDEnabled() const = 0;

    // --- Where the host's load stands ---
    // The ad's page is loading and has not been judged yet.
    virtual bool isRenderingAd() const = 0;
    // The ad was judged valid and is the one shown.
    virtual bool hasValidAd() const = 0;
    // A navigation of the page now may be a user's tap: not while it renders, nor once the host
    // failed to reach its core page or was invalidated.
    virtual bool mayTakeClicks() const = 0;

    // --- What the page's load comes to ---
    virtual void willLoadAdHTMLInWebView() = 0;
    virtual void didReceiveValidAd() = 0;
    virtual void didLoadAdHTMLInWebView() = 0;
    virtual void didMakeAdImpression() = 0;
    virtual void adFinishedLoadingContent() = 0;
    virtual void didFailToReceiveAdWithError(const DZRequestError::Ref& error,
                                             bool shouldCancelPendingActions) = 0;
    virtual void scheduleAdReloadTimer() = 0;
    virtual void updateContentSize(platform::Size size) = 0;

    // --- Clicks ---
    virtual void adWasClicked() = 0;
    virtual void pingClickURLs() = 0;
    // The URL a click goes to, with the click signal when it names an ad of ours.
    virtual std::string gestureClickURLWithURL(const std::string& url) = 0;
    virtual void adWillLeaveApplication() = 0;
    virtual void willLeaveAppDueToClick() = 0;
    // An open the page asked for with no tap to explain it; the host tells whoever keeps count.
    virtual void openWasBlocked(const nlohmann::json& info) = 0;
    // Whether an open of the ad needs a tap on the view it came from, in every view that shows
    // the ad's pages (its own, and every full-screen one it opens): the one place this is kept.
    // A host that cannot tell says yes.
    virtual bool isAutoClickProtected() const { return true; }

    // --- Screens the ad puts over the app ---
    // The bookkeeping of those screens, made by the first of them.
    virtual const std::shared_ptr<DZIntermission>& intermission() const = 0;
    virtual void setIntermission(std::shared_ptr<DZIntermission> intermission) = 0;
    virtual void adWillPresentScreen() = 0;
    virtual void adWillDismissScreen() = 0;
    virtual void adDidDismissScreen() = 0;
    virtual void interstitialViewWillAppear() = 0;
    virtual void interstitialViewWillDisappear() = 0;

    // --- What the page asks of its host ---
    virtual void adDidReceiveAppEvent(const std::string& name, const std::optional<std::string>& info) = 0;
    virtual void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>& purchase) = 0;
    virtual void enableSwipeToViewController() = 0;
    virtual void disableSwipeToViewController() = 0;
    // A second page of the ad (an expand to another address) hears the screen and the device's
    // features as the ad's own page does.
    virtual void notifyScreenAndDeviceFeaturesToPage(DZAdView& page) = 0;

    // Where an open blocked with no host to tell goes: set by the layer that keeps the core pages,
    // when it makes the shared one.
    static void setOrphanOpenBlockedHandler(std::function<void(const nlohmann::json& info)> handler);
    static void tellOrphanOpenBlocked(const nlohmann::json& info);
};
