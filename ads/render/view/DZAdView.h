#pragma once
// The view every HTML creative (and the hidden core page) is shown in: it wraps one web content
// view (a spare from the web-view cache, else a new engine's), passes the engine's load events to
// its ad-view delegate, and is the only road from native code into the page. The engine comes
// from one factory: the real one where a display exists, a fake in unit tests. Without an engine
// every load fails at once with a web error, so the callers' failure paths run. Evaluation is
// asynchronous only. Main thread only.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZPingAsker.h"
#include "ads/render/bridge/DZPageAllowance.h"
#include "ads/render/gesture/DZAdViewTouchGestureRecognizer.h"
#include "ads/render/gesture/DZImpressionTicketGestureRecognizer.h"
#include "ads/render/view/DZVideoPlayer.h"
#include "platform/foundation/DiskAllowance.h"
#include "platform/ui/View.h"
#include "platform/url/Url.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebEngine.h"

class DZAdView;
class DZWebViewCacheSet;
namespace platform::ui {
class AlertView;
class Window;
}  // namespace platform::ui
namespace platform::media {
class VideoView;
}

// What an ad view tells its delegate; every call is optional.
class DZAdViewDelegateProtocol {
  public:
    virtual ~DZAdViewDelegateProtocol() = default;
    virtual bool adViewShouldStartLoad(DZAdView& adView, const platform::web::NavigationAction& action) {
        return true;
    }
    virtual void adViewDidStartLoad(DZAdView& adView) {}
    virtual void adViewDidFinishLoad(DZAdView& adView) {}
    virtual void adViewDidFailLoad(DZAdView& adView, const platform::web::WebError& error) {}
    virtual void adViewContentSizeDidChange(DZAdView& adView, platform::web::ContentSize size) {}
};

class DZAdView : public platform::ui::View,
                 public platform::web::WebEngineDelegate,
                 public DZVideoPlayerDelegate {
  public:
    using EngineFactory =
        std::function<std::unique_ptr<platform::web::WebEngine>(int width, int height, std::string* error)>;
    using EvaluationCompletion = std::function<void(const platform::web::ScriptResult&)>;

    // Installs the engine factory (null: the real views of WebViews::create) and returns the
    // one it replaces.
    static EngineFactory setEngineFactory(EngineFactory factory);

    // The place of a view lifted out of its superview (an expanded ad), for restoreState.
    struct State {
        platform::Rect frame;
        std::shared_ptr<platform::ui::View> superview;
        std::weak_ptr<DZAdViewDelegateProtocol> delegate;
        std::weak_ptr<platform::ui::ViewController> viewController;
        platform::ui::Color pageBackground;
    };

    // SDK events queued while a page loads; later ones are dropped until the page has loaded.
    static constexpr std::size_t kMaxQueuedEvents = 20;
    static constexpr const char* kBannerPreventAutoplayKey = "/rerive/ads/banner_prevent_autoplay";

    static std::shared_ptr<DZAdView> create(platform::Rect frame);
    ~DZAdView() override;
    const char* className() const override { return "DZAdView"; }

    // The process's spare web views, made on first use with the capacity the user defaults set.
    static std::shared_ptr<DZWebViewCacheSet> webViewCache();
    // Installs another cache (null: none at all) and returns the one it replaces.
    static std::shared_ptr<DZWebViewCacheSet> setWebViewCache(std::shared_ptr<DZWebViewCacheSet> cache);
    static std::shared_ptr<platform::web::WebContentView> cachedWebView();
    static void cacheWebView(std::shared_ptr<platform::web::WebContentView> webView);
    // A window of its own that is never shown, for views that must sit in a window off screen.
    static const std::shared_ptr<platform::ui::Window>& placeholderWindow();

    void reset();
    // Banners wait hidden until their ad has loaded; autoplay follows the server's setting.
    void configureAsBannerAdView();
    void configureAsInterstitialAdView();

    // Queues an SDK event for the page (with "version" and "device" unless the parameters give
    // them): sent at once on a loaded page, else after the page has loaded, in order.
    void dispatchSDKEvent(const std::string& name, const std::optional<nlohmann::json>& parameters);
    std::size_t queuedEventCount() const { return eventQueue_.size(); }
    // State changes (expanded, resized, default, ...) handed to pages so far: a page redraws
    // after one in its own time, which a run on a virtual clock waits for. Main thread.
    static long long statesTold();

    // What shows where the page paints nothing: clear (the app shows through) for an ad in its
    // place, white for a page that has the screen to itself, as a browser would show it.
    void setPageBackgroundColor(platform::ui::Color color);
    platform::ui::Color pageBackgroundColor() const { return pageBackground_; }

    // Records frame, superview, delegate, controller and page background unless a state is
    // already saved.
    void saveState();
    // Puts the view back where saveState found it, then forgets the state.
    void restoreState();
    bool hasSavedState() const { return savedState_.has_value(); }

    // The user has touched the view (since the host last cleared it).
    bool touched() const { return touched_; }
    // Touched is also a fresh tap, as a touch beginning on the view is; untouched forgets it.
    void setTouched(bool touched);
    // A tap explains one open of the ad, and only for a while after the finger went down or
    // last lifted: true (and the tap used up) when an unused tap is that recent.
    static constexpr double kSecondsATapExplainsAnOpen = 2;
    bool takeTapForOpen();
    // The same for the click the page reports: one tap explains one click, as it explains one open,
    // in the same while; a click does not use up the open, nor an open the click.
    bool takeTapForClick();
    bool showDebug() const { return showDebug_; }
    void setShowDebug(bool show) { showDebug_ = show; }
    const std::string& adDebugDialog() const { return adDebugDialog_; }
    void setAdDebugDialog(const std::string& text) { adDebugDialog_ = text; }

    // The debug dialog the debug gesture opens (when showDebug is on): the ad's debug text (its
    // first kMaxDebugDialogBytes, cut at a character's start) with "Copy" and "Report", or a
    // notice with "OK" alone. Copy puts the whole text on the general pasteboard; Report sends
    // the bad-ad report with it.
    static constexpr const char* kDebugDialogTitle = "Debug Creative Info";
    static constexpr const char* kNoDebugInformation = "Creative information is not available";
    static constexpr std::size_t kMaxDebugDialogBytes = 4096;
    static std::string debugDialogMessage(const std::string& debugText);
    void handleGesture();
    void alertViewClickedButtonAtIndex(int buttonIndex);
    // The dialog shown last; null before any.
    const std::shared_ptr<platform::ui::AlertView>& alertView() const { return alertView_; }
    DZImpressionTicketGestureRecognizer& impressionTicketGestureRecognizer() {
        return *impressionTicketGestureRecognizer_;
    }
    DZAdViewTouchGestureRecognizer& touchGestureRecognizer() { return *touchGestureRecognizer_; }

    // The page's touches land on the ad view: its recognisers watch them, then the page gets
    // each of them unchanged (its first finger, as it would have alone; a second finger only
    // reaches the recognisers).
    std::shared_ptr<platform::ui::View> hitTest(platform::Point p) override;
    // A wheel over the page scrolls it, as if the page had been hit.
    bool scrollWheel(platform::Point location, float dx, float dy) override;
    void touchesBegan(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void touchesMoved(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void touchesEnded(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void touchesCancelled(const platform::ui::TouchList& touches,
                          const platform::ui::TouchEvent& event) override;

    // The JavaScript of a message to the page: ZAZO_ReceiveMessage with the name as a JSON
    // string and, when given, the parameters as compact JSON.
    static std::string JSCommandForNotificationName(const std::string& name,
                                                    const std::optional<nlohmann::json>& userInfo);

    // Records the base URL in the URL stash and loads the HTML under it. Only http, https and
    // about bases are taken; the page of any other base loads as about:blank.
    void loadHTMLString(const std::string& html, const std::string& baseURL);
    void loadRequest(const platform::web::WebRequest& request);
    // How many pages the host has asked for (the two loads above).
    std::uint64_t hostLoadCount() const { return hostLoads_; }
    // What the page the host asked for last may still spend: a new allowance with each of those
    // loads, never when the page navigates itself. Whatever the page asks for, through the view or
    // its delegate and handlers, is counted here.
    const std::shared_ptr<DZPageAllowance>& pageAllowance() const { return allowance_; }
    // Whom the pings and clicks of the page count against: its allowance's.
    DZPingAsker pingAsker() const { return allowance_->pingAsker(); }
    void stopLoading();
    // The page's address ("" before any load, and without an engine).
    std::string currentURL() const;
    bool isLoading() const;

    // The base URL recorded for the URL stash.
    const std::optional<platform::Url>& URL() const { return URL_; }
    void setURL(const std::optional<platform::Url>& url);

    // Runs the script after the current call of the page returns; no result.
    void executeJavaScriptAsynchronouslyFromString(const std::string& script);
    // Runs the script and hands the page's answer to `done` later on the main thread.
    void evaluateJavaScript(const std::string& script, EvaluationCompletion done);
    // Sends a message to the page from the main loop's next turn; the view stays alive for it.
    void postJSNotification(const std::string& name, const std::optional<nlohmann::json>& userInfo);

    // Interface orientations 1 to 4 (portrait, upside down, landscape right, landscape left).
    void setHTMLWindowOrientation(int orientation, bool dispatchOrientationChangeEvent);
    void forceRotateToOrientation(int orientation) { setHTMLWindowOrientation(orientation, true); }
    void didRotateToOrientation(int orientation) { setHTMLWindowOrientation(orientation, false); }
    int orientation() const { return orientation_; }

    void setDelegate(std::weak_ptr<DZAdViewDelegateProtocol> delegate) { delegate_ = std::move(delegate); }
    std::shared_ptr<DZAdViewDelegateProtocol> delegate() const { return delegate_.lock(); }
    virtual void setViewController(std::weak_ptr<platform::ui::ViewController> controller) {
        viewController_ = std::move(controller);
    }
    std::shared_ptr<platform::ui::ViewController> viewController() const { return viewController_.lock(); }

    // The wrapped engine and its view; null where none could be made.
    platform::web::WebEngine* engine() const { return webView_ ? webView_->engine().get() : nullptr; }
    const std::shared_ptr<platform::web::WebContentView>& webView() const { return webView_; }
    const std::string& engineError() const { return engineError_; }

    // The page's native video, made on demand, drawn under the page (whose background is clear)
    // over cachedVideoPlayerFrame, or the whole view when that is the zero rectangle.
    const std::shared_ptr<DZVideoPlayer>& videoPlayer() const { return videoPlayer_; }
    const std::shared_ptr<platform::media::VideoView>& videoPlayerLayer() const { return videoPlayerLayer_; }
    platform::Rect cachedVideoPlayerFrame() const { return cachedVideoPlayerFrame_; }
    // Stores the frame and asks for a layout.
    void setCachedVideoPlayerFrame(platform::Rect frame);
    void setUpVideoPlayerWithURL(const std::optional<std::string>& url);
    void setVideoPlayerFrame(platform::Rect frame);
    void hideVideo();
    void showVideo();
    void playerDidCreateAVPlayer(
        DZVideoPlayer& player, const std::shared_ptr<platform::media::MediaPlayer>& platformPlayer) override;
    void layoutSubviews() override;

    // What the ad may keep on disk at once: its video's download and its precached files together.
    static constexpr std::int64_t kMaxDiskBytes = std::int64_t{64} << 20;
    // Video sources one page may set; later ones get the page an "error" video event.
    const std::shared_ptr<platform::DiskAllowance>& diskAllowance() const { return diskAllowance_; }
    // Before the ad's first video or precache (tests give a smaller one).
    void setDiskAllowance(std::shared_ptr<platform::DiskAllowance> allowance) {
        diskAllowance_ = std::move(allowance);
    }

    // Told the size of each page message the engine refused as too long (none reaches the page
    // messages' dispatch): whoever waits for one answer of the page may fail at once instead of
    // waiting it out. One listener; null for none.
    void setOversizedMessageHandler(std::function<void(std::size_t bytes)> handler) {
        oversizedMessageHandler_ = std::move(handler);
    }

    // WebEngineDelegate
    bool shouldStartNavigation(const platform::web::NavigationAction& action) override;
    void loadStarted() override;
    void loadFinished() override;
    void loadFailed(const platform::web::WebError& error) override;
    void contentSizeChanged(platform::web::ContentSize size) override;
    void oversizedNavigationRefused(std::size_t bytes) override;

    explicit DZAdView(platform::Rect frame);  // use create()

  protected:
    // The second step of create(), for subclasses' own.
    void makeWebView();

  private:
    struct QueuedEvent {
        std::string name;
        nlohmann::json parameters;
    };
    std::unique_ptr<platform::web::WebEngine> makeEngine();
    // A load the host asked for: a new page, with a new allowance.
    void startHostLoad();
    // The web error of a load asked of a view without an engine, delivered on the next turn.
    void failWithoutEngine(const std::string& url);
    // The touches of `touches` the page follows.
    platform::ui::TouchList pageTouches(const platform::ui::TouchList& touches) const;
    // Uses the tap up for what `used` marks, when it is recent and unused for that.
    bool takeTap(bool& used);

    std::unique_ptr<DZImpressionTicketGestureRecognizer> impressionTicketGestureRecognizer_;
    std::unique_ptr<DZAdViewTouchGestureRecognizer> touchGestureRecognizer_;
    bool gestureRecognizersAdded_ = false;
    std::shared_ptr<platform::ui::Touch> pageTouch_;
    std::shared_ptr<platform::ui::AlertView> alertView_;

    std::shared_ptr<platform::web::WebContentView> webView_;
    std::string engineError_;
    std::deque<QueuedEvent> eventQueue_;
    bool eventQueueSuspended_ = true;
    std::uint64_t hostLoads_ = 0;
    std::shared_ptr<DZPageAllowance> allowance_ = std::make_shared<DZPageAllowance>();
    std::optional<State> savedState_;
    std::string adDebugDialog_;
    bool showDebug_ = true;
    bool touched_ = false;
    // When the last tap went down or lifted (the page clock, seconds), and whether an
    // open has used it.
    std::optional<double> tapTime_;
    bool tapUsed_ = false;
    bool tapClicked_ = false;
    std::weak_ptr<DZAdViewDelegateProtocol> delegate_;
    std::weak_ptr<platform::ui::ViewController> viewController_;
    std::optional<platform::Url> URL_;
    int orientation_ = 0;
    std::shared_ptr<DZVideoPlayer> videoPlayer_;
    std::shared_ptr<platform::media::VideoView> videoPlayerLayer_;
    platform::ui::Color pageBackground_ = platform::ui::Color::clear();
    platform::Rect cachedVideoPlayerFrame_;
    std::shared_ptr<platform::DiskAllowance> diskAllowance_ =
        std::make_shared<platform::DiskAllowance>(kMaxDiskBytes);
    std::function<void(std::size_t)> oversizedMessageHandler_;
};
