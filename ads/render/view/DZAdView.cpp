#include "ads/render/view/DZAdView.h"

#include <strings.h>
#include <atomic>
#include <mutex>
#include <utility>

#include "ads/core/DZRequest.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZAdURLStash.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/foundation/DZViewUtilities.h"
#include "ads/render/view/DZBadAdReport.h"
#include "ads/render/view/DZMRAIDInterceptor.h"
#include "ads/render/view/DZWebViewCacheSet.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/media/VideoView.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/runloop/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Window.h"
#include "platform/web/WebViews.h"

using platform::web::WebEngine;
using platform::web::WebError;

namespace {

std::mutex& factoryMutex() {
    static std::mutex mutex;
    return mutex;
}

DZAdView::EngineFactory& installedFactory() {
    static DZAdView::EngineFactory factory;
    return factory;
}

struct CacheSlot {
    std::shared_ptr<DZWebViewCacheSet> cache;
    bool made = false;
};

// Process-wide and never destroyed: at exit the cache's views would go to a main loop that is
// gone, while worker threads may still run.
CacheSlot& cacheSlot() {
    static CacheSlot* const slot = new CacheSlot;
    return *slot;
}

// Work for the main loop's next turn; run at once where no main loop exists (tools that only
// build commands).
void onNextTurn(std::function<void()> block) {
    if (platform::RunLoop::hasMain()) {
        platform::DispatchQueue::main()->async(std::move(block));
    } else {
        block();
    }
}

std::string compactJSON(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

DZAdView::EngineFactory DZAdView::setEngineFactory(EngineFactory factory) {
    std::lock_guard lock(factoryMutex());
    return std::exchange(installedFactory(), std::move(factory));
}

std::shared_ptr<DZWebViewCacheSet> DZAdView::webViewCache() {
    auto& slot = cacheSlot();
    if (!slot.made) {
        slot.made = true;
        slot.cache = DZWebViewCacheSet::initWithMaxCapacity(
            DZWebViewCacheSet::capacityFromDefaults(*platform::UserDefaults::standard()));
    }
    return slot.cache;
}

std::shared_ptr<DZWebViewCacheSet> DZAdView::setWebViewCache(std::shared_ptr<DZWebViewCacheSet> cache) {
    auto& slot = cacheSlot();
    auto previous = std::exchange(slot.cache, std::move(cache));
    slot.made = true;
    return previous;
}

std::shared_ptr<platform::web::WebContentView> DZAdView::cachedWebView() {
    auto cache = webViewCache();
    return cache ? cache->anyObject() : nullptr;
}

void DZAdView::cacheWebView(std::shared_ptr<platform::web::WebContentView> webView) {
    if (auto cache = webViewCache()) cache->addObject(std::move(webView));
}

const std::shared_ptr<platform::ui::Window>& DZAdView::placeholderWindow() {
    // Never destroyed, like the cache: a window torn down at exit would reach for the application.
    static const auto* const window = new std::shared_ptr<platform::ui::Window>([] {
        auto made = std::make_shared<platform::ui::Window>();
        made->setHidden(true);
        return made;
    }());
    return *window;
}

std::shared_ptr<DZAdView> DZAdView::create(platform::Rect frame) {
    auto view = std::make_shared<DZAdView>(frame);
    view->makeWebView();
    view->reset();
    return view;
}

DZAdView::DZAdView(platform::Rect frame)
    : platform::ui::View(frame),
      impressionTicketGestureRecognizer_(std::make_unique<DZImpressionTicketGestureRecognizer>(this)),
      touchGestureRecognizer_(std::make_unique<DZAdViewTouchGestureRecognizer>(this)) {
    // The debug gesture must see a second finger to fail on it.
    setMultipleTouchEnabled(true);
}

DZAdView::~DZAdView() {
    if (URL_) DZAdURLStash::remove(*URL_, this);
    if (!webView_) return;
    webView_->engine()->setDelegate(nullptr);
    cacheWebView(std::move(webView_));
}

std::unique_ptr<WebEngine> DZAdView::makeEngine() {
    EngineFactory factory;
    {
        std::lock_guard lock(factoryMutex());
        factory = installedFactory();
    }
    const int width = static_cast<int>(bounds().size.width);
    const int height = static_cast<int>(bounds().size.height);
    engineError_.clear();
    return factory ? factory(width, height, &engineError_)
                   : platform::web::WebViews::create(width, height, &engineError_);
}

void DZAdView::makeWebView() {
    webView_ = cachedWebView();
    if (!webView_) {
        auto engine = makeEngine();
        // Spares are live views too: at the engine's cap one of them gives its place.
        auto cache = webViewCache();
        if (!engine && cache && cache->destroyOne()) engine = makeEngine();
        if (engine) webView_ = std::make_shared<platform::web::WebContentView>(std::move(engine));
    }
    if (!webView_) {
        if (engineError_.empty()) engineError_ = "no web view could be made";
        return;
    }
    const auto& engine = webView_->engine();
    engine->setDelegate(this);
    // Creatives' "mraid.js" requests are answered with our own script.
    engine->setScriptResponder(&DZMRAIDInterceptor::respond);
    // A page that paints nothing must read as the ad view's own clear background.
    engine->setBackgroundColor(platform::ui::Color::clear());
    // An ad's page scrolls without bars, as on a phone; the in-app browser shows them.
    engine->setShowsScrollBars(false);
    webView_->setFrame(bounds());
    addSubview(webView_);
    dz_fillSuperview(*webView_);
    webView_->layoutSubviews();
}

void DZAdView::reset() {
    setBackgroundColor(platform::ui::Color::clear());
    if (!gestureRecognizersAdded_) {
        gestureRecognizersAdded_ = true;
        impressionTicketGestureRecognizer_->setAction([this] { handleGesture(); });
    }
    if (!webView_) return;
    webView_->setClipsToBounds(true);
    webView_->engine()->setMediaPlayback(platform::web::MediaPlayback::Automatic);
}

void DZAdView::configureAsBannerAdView() {
    if (webView_) {
        const bool preventAutoplay =
            platform::UserDefaults::standard()->boolForKey(kBannerPreventAutoplayKey).value_or(false);
        webView_->engine()->setMediaPlayback(preventAutoplay
                                                 ? platform::web::MediaPlayback::RequiresUserGesture
                                                 : platform::web::MediaPlayback::Automatic);
    }
    setHidden(true);
}

void DZAdView::configureAsInterstitialAdView() {
    // An interstitial shows at once and keeps the autoplay it was reset to; the bouncing and
    // scaling a phone's web view would switch off here do not exist on this engine.
    setHidden(false);
}

void DZAdView::suspendEventQueue() {
    eventQueue_.clear();
    eventQueueSuspended_ = true;
}

void DZAdView::dispatchSDKEvent(const std::string& name, const std::optional<nlohmann::json>& parameters) {
    nlohmann::json info = {{"version", DZRequest::sdkVersion()}, {"device", DZDevice::deviceSubmodel()}};
    if (parameters && parameters->is_object()) {
        for (const auto& [key, value] : parameters->items()) info[key] = value;
    }
    if (!eventQueueSuspended_) return postJSNotification(name, info);
    if (eventQueue_.size() >= kMaxQueuedEvents) return;
    eventQueue_.push_back({name, std::move(info)});
}

void DZAdView::setPageBackgroundColor(platform::ui::Color color) {
    // Drawn by this view under the page's video and the page, which stays clear: a video keeps
    // showing through it, and the page's own snapshots stay what the page painted.
    pageBackground_ = color;
    setBackgroundColor(color);
}

void DZAdView::saveState() {
    if (savedState_) return;
    savedState_ = State{frame(), superview(), delegate_, viewController_, pageBackgroundColor()};
}

void DZAdView::restoreState() {
    if (!savedState_) return;
    State state = std::move(*savedState_);
    savedState_.reset();
    auto self = shared_from_this();
    removeFromSuperview();
    setFrame(state.frame);
    if (state.superview) state.superview->addSubview(self);
    delegate_ = state.delegate;
    viewController_ = state.viewController;
    setPageBackgroundColor(state.pageBackground);
}

std::string DZAdView::JSCommandForNotificationName(const std::string& name,
                                                   const std::optional<nlohmann::json>& userInfo) {
    std::string command = "ZAZO_ReceiveMessage(" + compactJSON(nlohmann::json(name));
    if (userInfo) command += ", " + compactJSON(*userInfo);
    return command + ");";
}

void DZAdView::failWithoutEngine(const std::string& url) {
    WebError error{"web", WebError::kUnsupportedScheme, "no web view: " + engineError_, url};
    onNextTurn([weak = weak_from_this(), error] {
        auto self = std::static_pointer_cast<DZAdView>(weak.lock());
        if (self) self->loadFailed(error);
    });
}

void DZAdView::loadHTMLString(const std::string& html, const std::string& baseURL) {
    auto base = platform::Url::parse(baseURL);
    if (base && !base->isWeb() && base->scheme() != "about") {
        DZLog("Ad page base URL of scheme \"%s\" refused; loaded as about:blank", base->scheme().c_str());
        base.reset();
    }
    ++hostLoads_;
    pageAsker_ = DZPingAsker::next();
    pageLogBudget_ = DZPageLogBudget();
    videoSources_ = 0;
    suspendEventQueue();
    setURL(base);
    const std::string loadBase = base ? base->text() : "about:blank";
    if (!webView_) return failWithoutEngine(loadBase);
    webView_->engine()->loadHTML(html, loadBase);
}

DZLogChargeScope::Charge DZAdView::pageLogCharge() {
    return [weak = weak_from_this()]() -> DZLogAdmission {
        auto view = std::static_pointer_cast<DZAdView>(weak.lock());
        if (!view) return {};
        auto decision = view->pageLogBudget_.admit(DZAbsoluteTime::pageTimeInMilliseconds());
        return {decision.write, std::move(decision.notice)};
    };
}

void DZAdView::loadRequest(const platform::web::WebRequest& request) {
    ++hostLoads_;
    pageAsker_ = DZPingAsker::next();
    pageLogBudget_ = DZPageLogBudget();
    videoSources_ = 0;
    suspendEventQueue();
    if (!webView_) return failWithoutEngine(request.url);
    webView_->engine()->loadRequest(request);
}

void DZAdView::stopLoading() {
    if (webView_) webView_->engine()->stopLoading();
}

std::string DZAdView::currentURL() const {
    return webView_ ? webView_->engine()->url() : std::string();
}

bool DZAdView::isLoading() const {
    return webView_ && webView_->engine()->isLoading();
}

void DZAdView::setURL(const std::optional<platform::Url>& url) {
    if (URL_) DZAdURLStash::remove(*URL_, this);
    URL_ = url;
    if (URL_) DZAdURLStash::add(*URL_, shared_from_this());
}

void DZAdView::executeJavaScriptAsynchronouslyFromString(const std::string& script) {
    evaluateJavaScript("setTimeout(function(){" + script + "}, 1);", nullptr);
}

void DZAdView::evaluateJavaScript(const std::string& script, EvaluationCompletion done) {
    if (!webView_) {
        if (done) {
            onNextTurn([done = std::move(done), error = engineError_] {
                done(platform::web::ScriptResult{false, "", "no web view: " + error});
            });
        }
        return;
    }
    webView_->engine()->evaluateScript(script,
                                       [done = std::move(done)](const platform::web::ScriptResult& result) {
                                           if (done) done(result);
                                       });
}

namespace {
long long statesToldSoFar = 0;
}  // namespace

long long DZAdView::statesTold() {
    return statesToldSoFar;
}

void DZAdView::postJSNotification(const std::string& name, const std::optional<nlohmann::json>& userInfo) {
    std::string command = JSCommandForNotificationName(name, userInfo);
    onNextTurn([self = std::static_pointer_cast<DZAdView>(shared_from_this()), command = std::move(command),
                state = name == "onStateChanged"] {
        self->evaluateJavaScript(command, nullptr);
        if (state) ++statesToldSoFar;
    });
}

void DZAdView::setHTMLWindowOrientation(int orientation, bool dispatchOrientationChangeEvent) {
    if (orientation < 1 || orientation > 4 || orientation == orientation_) return;
    orientation_ = orientation;
    static constexpr int kAngles[] = {0, 0, 180, 90, -90};
    std::string script = "window.__defineGetter__('orientation',function(){return " +
                         std::to_string(kAngles[orientation]) + ";});";
    if (dispatchOrientationChangeEvent) {
        script +=
            "(function(){var event = document.createEvent('Events');event.initEvent('orientationchange', "
            "true, false);window.dispatchEvent(event);})();";
    }
    executeJavaScriptAsynchronouslyFromString(script);
}

bool DZAdView::shouldStartNavigation(const platform::web::NavigationAction& action) {
    auto self = weak_from_this().lock();
    // The engine's own user agent, as its first request shows it, is the one every request of
    // the component sends.
    static std::atomic<bool> userAgentTaken{false};
    if (!userAgentTaken.load()) {
        for (const auto& [name, value] : action.headers) {
            if (strcasecmp(name.c_str(), "User-Agent") != 0 || value.empty()) continue;
            if (!userAgentTaken.exchange(true)) DZDevice::sharedInstance()->setUserAgentString(value);
            break;
        }
    }
    auto delegate = delegate_.lock();
    if (!delegate) return true;
    // Whatever the decision logs (a refused scheme, a composer that cannot send) is the page's doing.
    DZLogChargeScope charge(pageLogCharge());
    return delegate->adViewShouldStartLoad(*this, action);
}

void DZAdView::loadStarted() {
    auto self = weak_from_this().lock();
    if (auto delegate = delegate_.lock()) delegate->adViewDidStartLoad(*this);
}

void DZAdView::loadFinished() {
    auto self = weak_from_this().lock();
    // The events held back during the load reach the page after its end, in order.
    eventQueueSuspended_ = false;
    std::deque<QueuedEvent> events;
    events.swap(eventQueue_);
    for (const auto& event : events) postJSNotification(event.name, event.parameters);
    if (auto delegate = delegate_.lock()) delegate->adViewDidFinishLoad(*this);
    // A one-point-high frame and back makes the page measure its content anew.
    if (webView_) {
        const int width = static_cast<int>(bounds().size.width);
        const int height = static_cast<int>(bounds().size.height);
        webView_->engine()->setSize(width, 1);
        webView_->engine()->setSize(width, height);
    }
}

void DZAdView::loadFailed(const WebError& error) {
    auto self = weak_from_this().lock();
    if (auto delegate = delegate_.lock()) delegate->adViewDidFailLoad(*this, error);
}

void DZAdView::contentSizeChanged(platform::web::ContentSize size) {
    auto self = weak_from_this().lock();
    if (auto delegate = delegate_.lock()) delegate->adViewContentSizeDidChange(*this, size);
}

void DZAdView::oversizedNavigationRefused(std::size_t bytes) {
    auto self = weak_from_this().lock();
    // A copy: the listener may take itself away.
    if (auto handler = oversizedMessageHandler_) handler(bytes);
}

std::string DZAdView::debugDialogMessage(const std::string& debugText) {
    if (debugText.empty()) return kNoDebugInformation;
    return std::string(dz_prefixWithinBytes(debugText, kMaxDebugDialogBytes));
}

void DZAdView::handleGesture() {
    if (!showDebug_) return;
    std::vector<std::string> buttons;
    if (!adDebugDialog_.empty()) buttons = {"Copy", "Report"};
    alertView_ = std::make_shared<platform::ui::AlertView>(
        kDebugDialogTitle, debugDialogMessage(adDebugDialog_),
        std::weak_ptr<platform::ui::AlertViewDelegate>(), "OK", std::move(buttons));
    alertView_->setClickHandler([weak = weak_from_this()](platform::ui::AlertView&, int index) {
        if (auto self = std::static_pointer_cast<DZAdView>(weak.lock()))
            self->alertViewClickedButtonAtIndex(index);
    });
    alertView_->show();
}

void DZAdView::alertViewClickedButtonAtIndex(int buttonIndex) {
    if (adDebugDialog_.empty()) return;
    if (buttonIndex == 1) platform::Pasteboard::general().setString(adDebugDialog_);
    if (buttonIndex == 2) DZSendBadAdReport(adDebugDialog_);
}

void DZAdView::setCachedVideoPlayerFrame(platform::Rect frame) {
    cachedVideoPlayerFrame_ = frame;
    setNeedsLayout();
}

void DZAdView::setUpVideoPlayerWithURL(const std::optional<std::string>& url) {
    // Each source is a new pipeline and download: a page setting one after another would make the
    // component fetch and decode without end.
    if (url && videoSources_++ >= kMaxVideoSourcesPerPage) {
        if (videoSources_ == kMaxVideoSourcesPerPage + 1)
            DZLog("Ad page video sources refused: the page has set %d", kMaxVideoSourcesPerPage);
        postJSNotification("onVideoEvent", nlohmann::json{{"event", "error"}});
        return;
    }
    if (!videoPlayer_) {
        auto self = std::static_pointer_cast<DZAdView>(shared_from_this());
        videoPlayer_ = DZVideoPlayer::create(self, std::static_pointer_cast<DZVideoPlayerDelegate>(self));
    }
    // Held: setting the source may make the page's host release this view.
    auto player = videoPlayer_;
    player->setSourceURL(url);
}

void DZAdView::playerDidCreateAVPlayer(DZVideoPlayer&,
                                       const std::shared_ptr<platform::media::MediaPlayer>& platformPlayer) {
    if (videoPlayerLayer_) videoPlayerLayer_->removeFromSuperview();
    videoPlayerLayer_ = std::make_shared<platform::media::VideoView>(platformPlayer);
    insertSubviewAt(videoPlayerLayer_, 0);
    setVideoPlayerFrame(cachedVideoPlayerFrame_);
}

void DZAdView::setVideoPlayerFrame(platform::Rect frame) {
    if (!videoPlayerLayer_) return;
    videoPlayerLayer_->setFrame(frame == platform::Rect() ? bounds() : frame);
}

void DZAdView::hideVideo() {
    if (videoPlayerLayer_) videoPlayerLayer_->setHidden(true);
}

void DZAdView::showVideo() {
    if (videoPlayerLayer_) videoPlayerLayer_->setHidden(false);
}

void DZAdView::layoutSubviews() {
    View::layoutSubviews();
    if (videoPlayerLayer_) setVideoPlayerFrame(cachedVideoPlayerFrame_);
}
