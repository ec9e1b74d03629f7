#pragma once
// One ad placement's controller: it runs one request at a time through a state machine
// (DZSlotState: idle, then the ad URL asked of a core page and received, the content fetched,
// rendered, and a valid ad or a failure; invalidated is final), arms a one-shot refresh timer,
// and reports each outcome to weakly held delegates. The banner view and the interstitial each own one. Main
// thread only.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdFetcher.h"
#include "ads/core/DZAdSize.h"
#include "ads/core/DZAdType.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSDKCoreWebView.h"
#include "ads/core/slot/DZSlotDelegate.h"
#include "ads/core/slot/DZSlotState.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/swipe/DZPercentDrivenUserInteractionAnimationController.h"
#include "ads/render/viewability/DZZadavaDuruMonitor.h"
#include "platform/geometry/Geometry.h"
#include "platform/store/StoreProductViewController.h"

class DZAd;
class DZAdFetcher;
class DZAdView;
class DZBannerAdViewDelegate;
class DZCorrelator;
class DZInAppPurchase;
class DZInAppPurchaseDelegate;
class DZIntermission;
class DZRequest;
class DZScheduler;
class DZSlot;
class DZSlotFormat;
class DZSignalCollector;
class DZSlotStatistics;
class DZStatisticDictionary;
namespace platform {
class MainLoopTimer;
namespace ui {
class PanGestureRecognizer;
class View;
class ViewController;
class Window;
}  // namespace ui
}  // namespace platform

class DZSlot : public DZAdHost,
               public DZSDKCoreControllerDelegate,
               public DZAdFetcherDelegate,
               public DZZadavaDuruMonitorDelegate,
               public DZZadavaDuruObserver,
               public DZPercentDrivenUserInteractionAnimationControllerDelegate,
               public platform::store::StoreProductViewControllerDelegate,
               public std::enable_shared_from_this<DZSlot> {
  public:
    static constexpr double kDefaultReloadInterval = 60.0;

    static std::shared_ptr<DZSlot> create(platform::Rect frame = {});
    ~DZSlot() override;
    DZSlot(const DZSlot&) = delete;
    DZSlot& operator=(const DZSlot&) = delete;
    std::string description() const;

    DZSlotState state() const { return state_; }
    // DZAdHost
    bool isRenderingAd() const override { return state_ == kDZSlotStateRendering; }
    bool hasValidAd() const override { return state_ == kDZSlotStateValidAd; }
    bool mayTakeClicks() const override;
    void openWasBlocked(const nlohmann::json& info) override;
    // On unless the core page's constants switch it off; every ad loaded switches it on again
    // (the constants permitting), and the core page's request or a mediating connector may too.
    bool isAutoClickProtected() const override { return autoClickProtected_; }
    void setAutoClickProtected(bool on) { autoClickProtected_ = on; }
    void adDidReceiveAppEvent(const std::string& name, const std::optional<std::string>& info) override;
    // Any change from the invalidated state, to the current one or to no state at all is ignored.
    void setState(DZSlotState state);
    // Told of every state entered, after the change (probes and tests watch the machine with it).
    void setStateChangeHandler(std::function<void(DZSlotState from, DZSlotState to)> handler) {
        stateChangeHandler_ = std::move(handler);
    }

    void setSlotDelegate(std::weak_ptr<DZSlotDelegate> delegate) { slotDelegate_ = std::move(delegate); }
    std::shared_ptr<DZSlotDelegate> slotDelegate() const { return slotDelegate_.lock(); }
    void setAdLoadDelegate(std::weak_ptr<DZSlotAdLoadDelegate> d) { adLoadDelegate_ = std::move(d); }
    void setAdEventDelegate(std::weak_ptr<DZSlotAdEventDelegate> d) { adEventDelegate_ = std::move(d); }
    void setAdResponseDelegate(std::weak_ptr<DZSlotAdResponseDelegate> d) {
        adResponseDelegate_ = std::move(d);
    }
    std::shared_ptr<DZSlotAdResponseDelegate> adResponseDelegate() const {
        return adResponseDelegate_.lock();
    }
    void setAdKeyDelegate(std::weak_ptr<DZSlotAdKeyDelegate> d) { adKeyDelegate_ = std::move(d); }

    const std::string& adUnitID() const { return adUnitID_; }
    void setAdUnitID(const std::string& adUnitID);
    const DZAdType& adType() const override { return adType_; }
    void setAdType(const DZAdType& type) { adType_ = type; }
    void setAdTypeAndReloadRequest(const DZAdType& type, bool reload);

    const std::shared_ptr<DZRequest>& request() const override { return request_; }
    const std::shared_ptr<DZRequest>& nextRequest() const { return nextRequest_; }
    void setNextRequest(const std::shared_ptr<DZRequest>& request);
    const std::shared_ptr<DZCorrelator>& correlator() const { return correlator_; }
    void setCorrelator(std::shared_ptr<DZCorrelator> correlator) { correlator_ = std::move(correlator); }
    const std::shared_ptr<DZAd>& ad() const override { return ad_; }
    const std::shared_ptr<DZAd>& loadingAd() const { return loadingAd_; }
    const std::shared_ptr<DZAdFetcher>& adFetcher() const { return adFetcher_; }
    const std::shared_ptr<DZAdView>& adView() const override { return adView_; }
    const std::shared_ptr<DZBannerAdViewDelegate>& adViewDelegate() const { return adViewDelegate_; }
    const std::shared_ptr<DZSlotStatistics>& slotStats() const { return slotStats_; }
    const nlohmann::json& applicationStatistics() const { return applicationStatistics_; }
    const DZApplication::StatisticsSet& pendingAdStatistics() const { return pendingAdStatistics_; }

    double reloadInterval() const { return reloadInterval_; }
    // Below 1 second refresh is off (0).
    void setReloadInterval(double seconds);
    bool reloadable() const { return reloadable_; }
    void setReloadable(bool reloadable) { reloadable_ = reloadable; }
    bool isReloadTimerArmed() const;
    bool slotHasAttemptedAnAdRequestAtLeastOnce() const { return attemptedOnce_; }
    bool hasAutoRefreshed() const { return hasAutoRefreshed_; }
    bool manualImpressionsEnabled() const { return manualImpressionsEnabled_; }
    void setManualImpressionsEnabled(bool enabled) { manualImpressionsEnabled_ = enabled; }
    void setCalledLoadAndDisplayRequest(bool called) { calledLoadAndDisplayRequest_ = called; }
    const std::optional<std::string>& requestID() const { return requestID_; }
    platform::Size newAdSize() const { return newAdSize_; }
    void setNewAdSize(platform::Size size) { newAdSize_ = size; }
    // Absolute milliseconds when the last HTML ad finished loading.
    std::optional<uint64_t> timeLastLoaded() const override { return timeLastLoaded_; }
    bool isAdCustomRendered() const { return adCustomRendered_; }
    void setAdCustomRendered(bool rendered) { adCustomRendered_ = rendered; }
    int32_t csiIdentifier() const { return CSIIdentifier_; }
    const std::string& adResponseKey() const { return adResponseKey_; }
    const std::string& netWorkLatencyKey() const { return netWorkLatencyKey_; }
    const std::string& adRenderingKey() const { return adRenderingKey_; }
    const std::string& totalTimeKey() const { return totalTimeKey_; }

    // Loading.
    void loadRequest(const std::shared_ptr<DZRequest>& request);
    void loadNextRequestWithAutoRefresh(bool autoRefresh);
    bool shouldMakeRequest(const std::shared_ptr<DZRequest>& request);
    bool isMakingRequest() const;
    void logRequestTestAdInstructions();
    static std::string multipleAdSizeParameterFromSizes(const std::vector<DZAdSize>& sizes);
    // The core controller loads go through (the shared one unless a test gives its own). Held
    // weakly: the controller holds its waiting requesters.
    void setSDKCoreController(std::weak_ptr<DZSDKCoreController> controller) {
        coreController_ = std::move(controller);
    }
    // The one set, else the shared one.
    std::shared_ptr<DZSDKCoreController> sdkCoreController() const;
    // Forgets that the test-device hint was checked in this process (tests).
    static void resetTestDeviceHintForTesting();

    // DZSDKCoreControllerDelegate
    std::optional<nlohmann::json> requestParameters() override;
    int requestedAdType() override;
    void setRequestID(const std::string& requestID) override;
    void loadAdURLWithParameters(const DZNotification::Parameters& parameters) override;
    void loadAd(const std::shared_ptr<DZAd>& ad, const std::map<std::string, std::string>& headers) override;
    void invalidJavaScriptRequest() override;
    void failedJavaScriptFile() override;
    void requestTimedOut() override;
    long CSIIdentifier() override { return CSIIdentifier_; }

    // --- Response handling (DZSlotResponse.cpp) ---
    // DZAdFetcherDelegate. The last fetched ad and the fetch's error stay readable for those who
    // watch the slot.
    void adFetcherDidFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad) override;
    void adFetcherDidFailToFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad,
                                   platform::ErrorRef error, long responseCode) override;
    const std::shared_ptr<DZAd>& fetchedAd() const { return fetchedAd_; }
    const platform::ErrorRef& fetchError() const { return fetchError_; }
    void processAdResponse(const std::shared_ptr<DZAd>& ad);
    void processStandardAdResponse(const std::shared_ptr<DZAd>& ad);
    void processCustomRenderingAdResponse(const std::shared_ptr<DZAd>& ad);
    // The slot's format for a response type, made from the registry the first time (null when
    // none is registered).
    std::shared_ptr<DZSlotFormat> formatForResponseType(unsigned responseType);
    // The format of the current ad while it is a mediated one (another network's ad is shown
    // through an adapter: the slot's measurement and type changes are then the adapter's).
    std::shared_ptr<DZSlotFormat> mediatingFormat() const;
    // The current ad is a mediated response.
    bool isMediating() const;
    // Whose ad is shown once the load ended with an ad: the delivering adapter's registered name
    // for a mediated ad (nothing while none delivered), else the component's own.
    std::optional<std::string> adNetworkClassName() const;
    inline static const std::string kOwnAdsAdapterClassName = "DZMAdapterReriveDiDazAds";
    // False when either type is an interstitial; else whether the mediated ad took the new type.
    bool changeAdTypeTo(const DZAdType& type);
    // A mediated interstitial is shown by its network.
    void presentMediatedInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& rootViewController);
    // Where networks present their screens: the owner's root view controller.
    std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView() const;
    // The parameters of the request being served, for errors (read from a copy: reading them
    // uses up the request's one-time extras).
    nlohmann::json requestParametersForError() const;
    void setViewForAdUsingView(const std::shared_ptr<platform::ui::View>& view);
    static bool validateAdResponseWithAdSize(DZAdSize size, const std::vector<DZAdSize>& validAdSizes);
    void finishedLoadingAdResponse(const std::shared_ptr<DZAd>& ad);
    // An ad whose HTML is another network's script: shown only once it has drawn something.
    void loadAdNetworkJavaScriptRequest(const std::shared_ptr<DZAd>& ad);
    // While the committed ad is a rich-media creative that announced itself.
    bool isMRAIDEnabled() const override;

    // Pings go out without the cache. Clicks ping every time, impressions once per ad.
    void pingClickURLs() override;
    void pingImpressionURLs();
    void pingManualTrackingURLs();
    // URLs handed to the trackers so far, by kind.
    int clickPingCount() const { return clickPingCount_; }
    int impressionPingCount() const { return impressionPingCount_; }
    int manualImpressionPingCount() const { return manualImpressionPingCount_; }
    // A click on an ad-server URL that names its ad ("ai") carries the click signal.
    std::string gestureClickURLWithURL(const std::string& url) override;
    // The user default the ad-server host list is read from (comma-separated host names).
    inline static const std::string kAdServerDomainsKey = "/rerive/ads/as_domains";
    // The host is one of the ad server's (or lies under one), compared without case.
    static bool isReriveAdURL(const std::string& url);
    static std::vector<std::string> defaultAdServerDomains();
    // The collector the click signal comes from (the shared one unless a test gives its own; not
    // owned, it must outlive the slot's use of it).
    void setSignalCollector(const DZSignalCollector* collector) { signalCollector_ = collector; }

    // Refresh and cancellation.
    void scheduleAdReloadTimer() override;
    void deactivateReloadTimer();
    void reloadCurrentRequest();
    void cancelLoad();
    void cancelPendingActions();
    void cancelPendingAndFutureActions();
    void invalidate();
    void resetRequestState();
    void mediatedAdNetworkAutoRefreshed();

    // State transitions (DZSlotStates.cpp).
    void resetState();
    void willRequestAdURL();
    void didFailToRetrieveSDKCoreWithError(const DZRequestError::Ref& error);
    void didReceiveAdURL();
    void willFetchAdContent();
    void didFetchAdContent();
    void willProcessMediationResponse();
    void didFailToReceiveAdWithError(const DZRequestError::Ref& error,
                                     bool shouldCancelPendingActions) override;
    void didReceiveInvalidAd();
    void didReceiveValidAd() override;
    void willStartAdRendering();
    void willLoadAdHTMLInWebView() override;
    void didLoadAdHTMLInWebView() override;
    void didMakeAdImpression() override;
    void willLeaveAppDueToClick() override;
    void invalidateState();

    // Ad events from the ad-view delegates, the opener, presenters and formats (the load's
    // outcomes in DZSlotStates.cpp; the rest, with the views, windows and application activity
    // below, in DZSlotEvents.cpp).
    void willProcessAd();
    void adFailedToReceiveContentWithError(const DZRequestError::Ref& error);
    void adFinishedLoadingContent() override;
    void adWasClicked() override;
    // How many times adWasClicked was called on this slot.
    int adClickCount() const { return adClickCount_; }
    void adWillPresentScreen() override;
    void adWillDismissScreen() override;
    void adDidDismissScreen() override;
    void adWillLeaveApplication() override;
    // A purchase an ad offered, for the owner's in-app purchase delegate (logged when none).
    std::shared_ptr<DZInAppPurchaseDelegate> inAppPurchaseDelegate() const;
    void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>& purchase) override;

    // Views and windows.
    void bannerDidMoveToWindow(const std::shared_ptr<platform::ui::Window>& window);
    void interstitialViewWillAppear() override;
    void interstitialViewWillDisappear() override;
    void updateContentSize(platform::Size size) override;
    // The bookkeeping of the screens this slot's ad puts over the app; made by the first of them.
    const std::shared_ptr<DZIntermission>& intermission() const override { return intermission_; }
    void setIntermission(std::shared_ptr<DZIntermission> intermission) override {
        intermission_ = std::move(intermission);
    }

    // Application activity and full-screen notices (also reached through the notification
    // centres the slot observes).
    void appWillBecomeInactive();
    void appDidBecomeActive();
    void adWillPresentFullScreen();
    void adDidRelinquishFullScreen();

    // ---- Zadava Duru measurement (DZSlotZadavaDuru.cpp) ----
    // After its impression a measured ad (one with a measurement set-up, or a rich-media ad) is
    // sampled while its view is in a window; each sample goes to a core page as one unit, and the
    // last one, when the measurement ends, carries "doneReasonCode" "u".
    bool viewHasMadeImpression() const { return viewHasMadeImpression_; }
    void setViewHasMadeImpression(bool made) { viewHasMadeImpression_ = made; }
    bool canEnableZadavaDuruMonitoring() const;
    void startZadavaDuruReportingIfEnabled();
    bool monitoredViewIsSubviewOfDeviceScreen() const;
    void createZadavaDuruMonitor();
    void zadavaDuruMonitorWillUnload();
    void finishZadavaDuruReporting();
    std::optional<nlohmann::json> zadavaDuruParameters(const DZZadavaDuruMonitor& monitor,
                                                       bool unloaded) const;
    // The view measured: the slot's ad view unless its owner names another (a banner names its
    // public view, which holds the ad view). A named view is held weakly, as that view owns the
    // slot; once it has gone nothing is measured.
    void setZadavaDuruMonitoredView(std::weak_ptr<platform::ui::View> view) {
        zadavaDuruMonitoredView_ = std::move(view);
        monitoredViewNamed_ = true;
    }
    std::shared_ptr<platform::ui::View> zadavaDuruMonitoredView() const;
    uint32_t zadavaDuruID() const { return zadavaDuruID_; }
    const std::shared_ptr<DZZadavaDuruMonitor>& zadavaDuruMonitor() const { return zadavaDuruMonitor_; }
    const std::shared_ptr<DZSDKCoreWebView>& zadavaDuruCoreWebView() const { return zadavaDuruCoreWebView_; }
    // DZZadavaDuruMonitorDelegate
    void zadavaDuruMonitorDidRefresh(DZZadavaDuruMonitor& monitor) override;
    // DZZadavaDuruObserver
    void adViewDidChangeZadavaDuruVisibility(bool visible) override;
    void adViewDidStopZadavaDuruMonitoring() override;
    // The sample taken as the application resigns still sees it active: one more once it is in
    // the background, or the page would count the ad as seen all the while.
    void appDidEnterBackground();
    // How many units this slot handed to a core page, and every visibility the page answered
    // (probes watch the measurement with them).
    uint64_t zadavaDuruUnitsSent() const { return zadavaDuruUnitsSent_; }
    void setZadavaDuruVisibilityHandler(std::function<void(bool visible)> handler) {
        zadavaDuruVisibilityHandler_ = std::move(handler);
    }
    // ---- end of Zadava Duru measurement ----

    // ---- Rich-media creatives (DZSlotMRAID.cpp) ----
    // Posted on the default centre with the slot as object; the creative hears the screen again.
    inline static const std::string kCreativeOrientationChangedNotification =
        "dz_slot_creative_orientation_changed";
    // DZMRAIDEventHandling
    void MRAIDAdDidLoad() override;
    void MRAIDAdDidUnload() override;
    void updateVisibility(bool visible) override;
    void updatePositionFromView(platform::ui::View& view) override;
    void handleError(const std::string& message, const std::string& action) override;
    void notifyOrientationToMRAIDCreative();
    void notifyDeviceFeatures();
    void SDKDidBecomeReady();
    // A second page of the ad (shown over the app by an expand to another address) has a script
    // of its own: it hears the screen and the device's features as the ad's own page does. Its
    // state is its container's to say.
    void notifyScreenAndDeviceFeaturesToPage(DZAdView& page) override;
    void beginListeningToDeviceOrientationChangeEvent();
    void endListeningToDeviceOrientationChangeEvent();
    void didChangeDeviceOrientation();
    bool isListeningToDeviceOrientationChangeEvent() const { return listeningToOrientation_; }
    // The last rectangles the creative was told (interface coordinates, zero before any).
    platform::Rect usableInterfaceFrame() const { return usableInterfaceFrame_; }
    platform::Rect creativeWebViewFrame() const { return creativeWebViewFrame_; }
    platform::Rect creativeAdFrame() const { return creativeAdFrame_; }
    // The creative's position payload: "width", "height", "x", "y" of the standardised rectangle.
    static nlohmann::json creativePositionDictionary(const platform::Rect& rect);
    // ---- end of rich-media creatives ----

    // ---- Swipe to a store page (DZSlotSwipe.cpp) ----
    // While an ad with swipe configurations is shown, a checker tells its creative the ad's
    // geometry ("onAdVisible") whenever it changes; once the creative enables the swipe, a pan
    // that begins in one of the swipeable rectangles pulls the store page out of the ad, following
    // the finger. The slot holds itself from the start of that presentation until it is cancelled
    // or the page is closed, so it outlives a public view released meanwhile.
    // The checker never ticks faster than this, whatever the core page says (0 would spin).
    static constexpr double kMinimumSwipeCheckerInterval = 0.1;
    void scheduleSwipeToViewControllerChecker();
    void unscheduleSwipeToViewControllerChecker();
    void canEnableSwipeToViewController();
    void enableSwipeToViewController() override;
    void disableSwipeToViewController() override;
    void setUpAnimationController();
    void handlePanGesture(platform::ui::PanGestureRecognizer& recognizer);
    // `point` in `view`'s coordinates (null: the window's).
    bool shouldProcessTouch(platform::Point point, const platform::ui::View* view);
    void loadStoreProductViewController();
    // Ends the swipe of the outgoing ad: no checks, no pan; a page still up stays closable but
    // reports to nobody, and the slot lets go of itself.
    void endSwipeToViewController();
    // platform::store::StoreProductViewControllerDelegate
    void productViewControllerDidFinish(platform::store::StoreProductViewController& controller) override;
    // DZPercentDrivenUserInteractionAnimationControllerDelegate
    void animationControllerDidFinishAnimationTransition(
        DZPercentDrivenUserInteractionAnimationController& controller) override;
    void animationControllerDidCancelAnimationTransition(
        DZPercentDrivenUserInteractionAnimationController& controller) override;
    const std::shared_ptr<DZScheduler>& swipeToViewControllerChecker() const {
        return swipeToViewControllerChecker_;
    }
    bool swipeToViewControllerEnabled() const { return swipeToViewControllerEnabled_; }
    bool swipeToViewControllerAnimationControllerInitialized() const {
        return swipeToViewControllerAnimationControllerInitialized_;
    }
    const std::optional<nlohmann::json>& savedParamsForCheckingSwipeToViewController() const {
        return savedParamsForCheckingSwipeToViewController_;
    }
    const std::shared_ptr<DZViewControllerFullScreenSwipeAnimation>& animation() const { return animation_; }
    const std::shared_ptr<DZPercentDrivenUserInteractionAnimationController>& animationController() const {
        return animationController_;
    }
    const std::shared_ptr<platform::ui::PanGestureRecognizer>& swipeGestureRecognizer() const {
        return swipeGestureRecognizer_;
    }
    const std::shared_ptr<platform::store::StoreProductViewController>& swipeableStoreProductViewController()
        const {
        return swipeableStoreProductViewController_;
    }
    bool isHoldingItselfForSwipe() const { return strongSlotForSwipeToViewController_ != nullptr; }
    // ---- end of swipe ----

    explicit DZSlot(platform::Rect frame);  // use create()

  private:
    void construct();
    // The core's answers count only while the slot waits for them: one that comes after a
    // cancelled, pre-empted or timed-out load must not start a fetch.
    bool isWaitingForCore(bool adURLReceived, const char* answer) const;
    void startReservedOrCoreLoad();
    void cancelFormats();

    DZSlotState state_ = kDZSlotStateIdle;
    std::weak_ptr<DZSlotDelegate> slotDelegate_;
    std::weak_ptr<DZSlotAdLoadDelegate> adLoadDelegate_;
    std::weak_ptr<DZSlotAdEventDelegate> adEventDelegate_;
    std::weak_ptr<DZSlotAdResponseDelegate> adResponseDelegate_;
    std::weak_ptr<DZSlotAdKeyDelegate> adKeyDelegate_;
    std::shared_ptr<DZIntermission> intermission_;
    std::string adUnitID_;
    DZAdType adType_ = DZAdType::interstitialAdType();
    std::shared_ptr<DZRequest> request_;
    std::shared_ptr<DZRequest> nextRequest_;
    std::shared_ptr<DZCorrelator> correlator_;
    std::shared_ptr<DZAd> ad_;
    std::shared_ptr<DZAd> loadingAd_;
    std::shared_ptr<DZAdFetcher> adFetcher_;
    std::shared_ptr<DZAdView> adView_;
    std::shared_ptr<DZBannerAdViewDelegate> adViewDelegate_;
    // The formats this slot was handed responses for, by response type (made on first use).
    std::map<unsigned, std::shared_ptr<DZSlotFormat>> formats_;
    std::shared_ptr<DZSlotStatistics> slotStats_;
    nlohmann::json applicationStatistics_ = nlohmann::json::object();
    DZApplication::StatisticsSet pendingAdStatistics_;
    std::shared_ptr<platform::MainLoopTimer> reloadTimer_;
    double reloadInterval_ = kDefaultReloadInterval;
    bool reloadable_ = false;
    bool attemptedOnce_ = false;
    bool hasAutoRefreshed_ = false;
    bool manualImpressionsEnabled_ = false;
    bool calledLoadAndDisplayRequest_ = false;
    std::optional<std::string> requestID_;
    platform::Size newAdSize_;
    std::optional<uint64_t> timeLastLoaded_;
    bool adCustomRendered_ = false;
    bool autoClickProtected_ = true;
    int32_t CSIIdentifier_ = 0;
    std::string adResponseKey_, netWorkLatencyKey_, adRenderingKey_, totalTimeKey_;
    platform::Rect frame_;
    std::weak_ptr<DZSDKCoreController> coreController_;
    std::shared_ptr<DZAd> fetchedAd_;
    platform::ErrorRef fetchError_;
    bool lastLoadStarted_ = false;
    std::function<void(DZSlotState, DZSlotState)> stateChangeHandler_;
    int adClickCount_ = 0;

    // ---- Zadava Duru measurement ----
    bool viewHasMadeImpression_ = false;
    uint32_t zadavaDuruID_ = 0;
    std::shared_ptr<DZZadavaDuruMonitor> zadavaDuruMonitor_;
    std::shared_ptr<DZSDKCoreWebView> zadavaDuruCoreWebView_;
    std::weak_ptr<platform::ui::View> zadavaDuruMonitoredView_;
    bool monitoredViewNamed_ = false;
    uint64_t zadavaDuruUnitsSent_ = 0;
    std::function<void(bool)> zadavaDuruVisibilityHandler_;
    void sendZadavaDuruUnit(const DZZadavaDuruMonitor& monitor, bool unloaded);

    // ---- Rich-media creatives ----
    // The outgoing ad's creative, when it announced itself, is told it is gone.
    static void unloadMRAIDAd(const std::shared_ptr<DZAd>& ad);
    platform::Rect usableInterfaceFrame_;
    platform::Rect creativeWebViewFrame_;
    platform::Rect creativeAdFrame_;
    bool listeningToOrientation_ = false;
    uint64_t statusBarObserver_ = 0;
    uint64_t creativeOrientationObserver_ = 0;

    // ---- Swipe ----
    nlohmann::json swipeVisibilityParameters() const;
    // The animation's settings from the ad's configurations, and the ad's picture when it is to
    // travel with the page (`withPicture`: a presentation starts).
    void prepareSwipeAnimation(bool withPicture);
    // A presentation still following the pan is undone, silently.
    void cancelRunningSwipeTransition();
    void postSwipeEvent(const char* name);
    std::shared_ptr<DZScheduler> swipeToViewControllerChecker_;
    int32_t swipeToViewControllerCheckerTaskID_ = -1;
    std::optional<nlohmann::json> savedParamsForCheckingSwipeToViewController_;
    bool swipeToViewControllerEnabled_ = false;
    bool swipeToViewControllerAnimationControllerInitialized_ = false;
    // From the presentation's start until the animation controller says how it ended: only then
    // do the pan's moves and its lift belong to a transition.
    bool swipeTransitionRunning_ = false;
    std::shared_ptr<DZViewControllerFullScreenSwipeAnimation> animation_;
    std::shared_ptr<DZPercentDrivenUserInteractionAnimationController> animationController_;
    std::shared_ptr<platform::ui::PanGestureRecognizer> swipeGestureRecognizer_;
    std::shared_ptr<platform::store::StoreProductViewController> swipeableStoreProductViewController_;
    std::shared_ptr<DZSlot> strongSlotForSwipeToViewController_;

    // --- Response handling ---
    // The ad view's delegate for ordinary pages, after another took its place for a script ad.
    void restoreBannerAdViewDelegate();
    int clickPingCount_ = 0;
    int impressionPingCount_ = 0;
    int manualImpressionPingCount_ = 0;
    const DZSignalCollector* signalCollector_ = nullptr;
};
