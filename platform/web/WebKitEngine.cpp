#include "platform/web/WebKitEngine.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/foundation/Log.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/PageWatchdog.h"
#include "platform/web/WebExtensionProtocol.h"
#include "platform/web/WebKitEngineParts.h"
#include "platform/web/WebKitHost.h"
#include "platform/web/WebKitInput.h"
#include "platform/web/WebKitPageDefaults.h"

namespace platform::web {

namespace {

// Content sizes come from a script in a world of our own, out of the page's reach.
constexpr const char* kWorld = "tikoleap";
constexpr const char* kSizeHandler = "tikoleapContentSize";
constexpr const char* kSizeScript = R"JS((function(){
  var last = '';
  function post() {
    var e = document.documentElement;
    if (!e) return;
    var k = (e.scrollWidth | 0) + 'x' + (e.scrollHeight | 0);
    if (k === last) return;
    last = k;
    window.webkit.messageHandlers.tikoleapContentSize.postMessage(k);
  }
  if (window.ResizeObserver) new ResizeObserver(post).observe(document.documentElement);
  window.addEventListener('load', post);
  post();
})();)JS";

// X screens start at 0, 0: a window wholly left of and above that is never on any of them.
constexpr int kOffScreenMargin = 100;

// The window the view lives in. The engine starts a page's media only while the view is in an
// on-screen window: in an offscreen one its video and sound never even load. Where the display
// is X11 the view therefore lives in a real window the player never sees: a popup (override-
// redirect, so no window manager places, decorates, lists or focuses it) kept off the screen.
// Elsewhere a popup could show, so the view keeps an offscreen window and pages' media waits.
GtkWidget* newHiddenWindow() {
    if (!GDK_IS_X11_DISPLAY(gdk_display_get_default())) {
        static bool told = false;
        if (!std::exchange(told, true))
            logMessage("WebKitEngine", 3, "the display is not X11's: pages cannot play video or sound");
        return gtk_offscreen_window_new();
    }
    GtkWidget* window = gtk_window_new(GTK_WINDOW_POPUP);
    gtk_window_set_accept_focus(GTK_WINDOW(window), FALSE);
    gtk_window_set_focus_on_map(GTK_WINDOW(window), FALSE);
    return window;
}

gboolean destroyWindow(gpointer window) {
    gtk_widget_destroy(GTK_WIDGET(window));
    return G_SOURCE_REMOVE;
}

}  // namespace

WebKitEngine::WebKitEngine(WebKitHost& host, int width, int height)
    : host_(host), width_(std::max(width, 1)), height_(std::max(height, 1)) {
    WebKitSettings* settings = WebKitPageDefaults::newSettings();
    WebKitUserContentManager* content = webkit_user_content_manager_new();
    WebKitUserScript* sizeScript =
        webkit_user_script_new_for_world(kSizeScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                         WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, kWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, sizeScript);
    webkit_user_script_unref(sizeScript);
    webkit_user_content_manager_register_script_message_handler_in_world(content, kSizeHandler, kWorld);
    g_signal_connect(content, (std::string("script-message-received::") + kSizeHandler).c_str(),
                     G_CALLBACK(Signals::sizeMessage), this);

    // Not related to any other view, so the engine gives it a web process of its own.
    view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", host.context(), "settings",
                                         settings, "user-content-manager", content, nullptr));
    g_object_unref(settings);
    g_object_unref(content);
    defaults_ = std::make_unique<WebKitPageDefaults>(view_, kWorld);
    const WebLimits& limits = host.limits();
    watchdog_ = std::make_unique<PageWatchdog>(host.loop(), view_, kWorld, limits.probeIntervalSeconds,
                                               limits.probeTimeoutSeconds,
                                               [this] { stopHostilePage("it stopped answering"); });

    g_signal_connect(view_, "decide-policy", G_CALLBACK(Signals::decidePolicy), this);
    g_signal_connect(view_, "load-changed", G_CALLBACK(Signals::loadChanged), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(Signals::loadFailed), this);
    g_signal_connect(view_, "script-dialog", G_CALLBACK(Signals::scriptDialog), this);
    g_signal_connect(view_, "create", G_CALLBACK(Signals::create), this);
    g_signal_connect(view_, "notify::is-web-process-responsive", G_CALLBACK(Signals::responsive), this);
    g_signal_connect(view_, "web-process-terminated", G_CALLBACK(Signals::processTerminated), this);
    g_signal_connect(view_, "user-message-received", G_CALLBACK(Signals::userMessage), this);
    g_signal_connect(view_, "notify::uri", G_CALLBACK(Signals::uriChanged), this);

    window_ = newHiddenWindow();
    gtk_window_set_default_size(GTK_WINDOW(window_), width_, height_);
    gtk_window_move(GTK_WINDOW(window_), -width_ - kOffScreenMargin, -height_ - kOffScreenMargin);
    gtk_widget_set_size_request(GTK_WIDGET(view_), width_, height_);
    gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
    // After the view has drawn itself into its window; the snapshot's own drawing is left out.
    g_signal_connect_after(view_, "draw", G_CALLBACK(Signals::drawn), this);
    gtk_widget_show_all(window_);
    host_.viewCreated(this);
}

WebKitEngine::~WebKitEngine() {
    host_.viewDestroyed(this);
    *alive_ = 1;
    alive_.reset();
    watchdog_.reset();
    defaults_.reset();
    if (loadTimer_) loadTimer_->invalidate();
    for (auto& pending : scripts_) {
        if (pending->timer) pending->timer->invalidate();
        if (pending->cancellable) g_cancellable_cancel(pending->cancellable);
    }
    scripts_.clear();
    g_signal_handlers_disconnect_by_data(view_, this);
    g_signal_handlers_disconnect_by_data(window_, this);
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_user_content_manager(view_), this);
    if (hiddenScrollBars_) webkit_user_style_sheet_unref(hiddenScrollBars_);
    webkit_web_view_stop_loading(view_);
    // Destroying the window destroys the view, and its web process ends. Not now: the view may
    // be telling this engine something (a delegate released it from a callback), and the
    // engine's own code goes on using the view once the signal returns.
    g_idle_add(destroyWindow, window_);
}

void WebKitEngine::loadHTML(const std::string& html, const std::string& baseUrl) {
    startHostPage();
    unstartedLoad_ = HostLoad{true, html, baseUrl, {}};
    issue(*unstartedLoad_);
}

void WebKitEngine::loadRequest(const WebRequest& request) {
    startHostPage();
    unstartedLoad_ = HostLoad{false, request.url, {}, request.headers};
    issue(*unstartedLoad_);
}

void WebKitEngine::startHostPage() {
    // What the page makes the game log is said once a page: a page reloading itself, as often as
    // it likes, would say it again with each of its loads.
    page_ = {};
    defaults_->hostLoadStarted();
}

void WebKitEngine::issue(HostLoad load) {
    // Ahead of the load on the way to the page's process, so its first media already waits.
    processAsked_ = true;
    tellShown();
    if (load.html) {
        webkit_web_view_load_html(view_, load.content.c_str(),
                                  load.baseUrl.empty() ? nullptr : load.baseUrl.c_str());
        return;
    }
    WebKitURIRequest* r = webkit_uri_request_new(load.content.c_str());
    SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(r);
    if (headers) {
        for (const auto& [name, value] : load.headers)
            soup_message_headers_replace(headers, name.c_str(), value.c_str());
    }
    webkit_web_view_load_request(view_, r);
    g_object_unref(r);
}

void WebKitEngine::stopLoading() {
    webkit_web_view_stop_loading(view_);
}
void WebKitEngine::reload() {
    webkit_web_view_reload(view_);
}
void WebKitEngine::goBack() {
    webkit_web_view_go_back(view_);
}
void WebKitEngine::goForward() {
    webkit_web_view_go_forward(view_);
}
bool WebKitEngine::canGoBack() const {
    return webkit_web_view_can_go_back(view_);
}
bool WebKitEngine::canGoForward() const {
    return webkit_web_view_can_go_forward(view_);
}

std::string WebKitEngine::url() const {
    const char* uri = webkit_web_view_get_uri(view_);
    return uri ? uri : "";
}

void WebKitEngine::evaluateScript(const std::string& script, ScriptCompletion done) {
    evaluate(script, host_.limits().scriptTimeoutSeconds, std::move(done));
}

void WebKitEngine::evaluate(const std::string& script, double timeoutSeconds, ScriptCompletion done) {
    auto pending = std::make_shared<PendingScript>();
    pending->alive = alive_;
    pending->engine = this;
    pending->done = std::move(done);
    pending->cancellable = g_cancellable_new();
    std::weak_ptr<PendingScript> weak = pending;
    pending->timer = host_.loop().scheduleOnce(timeoutSeconds, alive_, [this, weak](Timer&) {
        auto p = weak.lock();
        if (!p || p->finished) return;
        // A page that cannot answer within the limit holds its process's thread: it is stopped.
        std::weak_ptr<int> alive = alive_;
        p->finish({false, {}, "the page did not answer in time and was stopped"});
        if (!gone(alive)) stopHostilePage("it did not answer a script in time");
    });
    scripts_.push_back(pending);
    webkit_web_view_evaluate_javascript(view_, script.c_str(), static_cast<gssize>(script.size()), nullptr,
                                        nullptr, pending->cancellable, Signals::scriptDone,
                                        new std::shared_ptr<PendingScript>(pending));
}

void WebKitEngine::setSize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width != width_ || height != height_) sizeChanged();
    width_ = width;
    height_ = height;
    applySize();
}

void WebKitEngine::setScale(double scale) {
    scale = clampScale(scale);
    if (scale == scale_) return;
    scale_ = scale;
    sizeChanged();
    // The page keeps its layout in points: its zoom makes up for the larger widget.
    webkit_web_view_set_zoom_level(view_, scale_);
    applySize();
}

void WebKitEngine::applySize() {
    const int w = static_cast<int>(std::lround(width_ * scale_));
    const int h = static_cast<int>(std::lround(height_ * scale_));
    gtk_widget_set_size_request(GTK_WIDGET(view_), w, h);
    gtk_window_resize(GTK_WINDOW(window_), w, h);
    gtk_window_move(GTK_WINDOW(window_), -w - kOffScreenMargin, -h - kOffScreenMargin);
    // Lay out now, so the next snapshot already has the new size.
    gtk_container_check_resize(GTK_CONTAINER(window_));
}

void WebKitEngine::onPageDrawn() {
    if (!snapshotting_) pageDrew();
}

Image WebKitEngine::snapshot() {
    const int width = static_cast<int>(std::lround(width_ * scale_));
    const int height = static_cast<int>(std::lround(height_ * scale_));
    Image image;
    image.width = width;
    image.height = height;
    image.content = Image::Content::RGBAPremultiplied;
    image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    // The engine asks for a new layout of its own (as a load starts, for one): drawing a view
    // that waits for one draws nothing, so the layout is done first. Without a change it costs
    // well under a microsecond.
    gtk_container_check_resize(GTK_CONTAINER(window_));
    snapshotting_ = true;
    gtk_widget_draw(GTK_WIDGET(view_), cr);
    snapshotting_ = false;
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const unsigned char* src = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::uint8_t* dst = image.pixels.data();
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(src + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t argb = row[x];
            *dst++ = static_cast<std::uint8_t>(argb >> 16);
            *dst++ = static_cast<std::uint8_t>(argb >> 8);
            *dst++ = static_cast<std::uint8_t>(argb);
            *dst++ = static_cast<std::uint8_t>(argb >> 24);
        }
    }
    cairo_surface_destroy(surface);
    return image;
}

void WebKitEngine::setBackgroundColor(ui::Color color) {
    background_ = color;
    const GdkRGBA rgba{color.r, color.g, color.b, color.a};
    webkit_web_view_set_background_color(view_, &rgba);
    lookChanged();
}

void WebKitEngine::setShowsScrollBars(bool shows) {
    if (shows == showsScrollBars()) return;
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view_);
    if (shows) {
        webkit_user_content_manager_remove_style_sheet(content, hiddenScrollBars_);
        webkit_user_style_sheet_unref(hiddenScrollBars_);
        hiddenScrollBars_ = nullptr;
    } else {
        hiddenScrollBars_ = webkit_user_style_sheet_new(
            "::-webkit-scrollbar{display:none!important;width:0!important;height:0!important}",
            WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
        webkit_user_content_manager_add_style_sheet(content, hiddenScrollBars_);
    }
    lookChanged();
}

void WebKitEngine::sendMouseEvent(const MouseEvent& event) {
    WebKitInput::sendMouse(GTK_WIDGET(view_), event, scale_);
}

void WebKitEngine::setFocused(bool focused) {
    if (focused == focused_) return;
    focused_ = focused;
    WebKitInput::setFocused(GTK_WIDGET(view_), focused);
}

void WebKitEngine::sendKeyEvent(const KeyEvent& event) {
    if (focused_) WebKitInput::sendKey(GTK_WIDGET(view_), event);
}

void WebKitEngine::sendScrollEvent(const ScrollEvent& event) {
    WebKitInput::sendScroll(view_, kWorld, event);
}

void WebKitEngine::setMediaPlayback(MediaPlayback policy) {
    // Both the setting and the page's autoplay rule, which the next navigation takes along.
    mediaPlayback_ = policy;
    WebKitPageDefaults::setAutoplay(view_, policy);
}

void WebKitEngine::setShown(bool shown) {
    if (shown == shown_) return;
    shown_ = shown;
    // Anything sent to a view with no page yet starts its web process at once, ahead of its load:
    // the view's window then waits, drawing, for the process to start. The load tells it anyway.
    if (processAsked_) tellShown();
}

void WebKitEngine::tellShown() {
    webkit_web_view_set_is_muted(view_, !shown_);
    webkit_web_view_send_message_to_page(
        view_, webkit_user_message_new(extension::kMediaShownMessage, g_variant_new_boolean(shown_)), nullptr,
        nullptr, nullptr);
}

std::string WebKitEngine::userAgent() const {
    return WebKitPageDefaults::userAgent(view_);
}

void WebKitEngine::setUserAgent(const std::string& userAgent) {
    WebKitPageDefaults::setUserAgent(view_, userAgent);
}

void WebKitEngine::answerScriptRequest(const ScriptRequest& request, ScriptReply reply) {
    if (!responder_) return reply.decline();
    ScriptResponder responder = responder_;  // it may release this view, and itself with it
    responder(request, std::move(reply));
}

bool WebKitEngine::countScriptRequest(bool refused, std::size_t bytes) {
    if (refused && !page_.toldRefusedScript) {
        page_.toldRefusedScript = true;
        logMessage("ScriptInterception", 3, "refused script requests the extension did not divert");
    }
    return countNavigation(bytes);
}

void WebKitEngine::onLoadStarted() {
    unstartedLoad_.reset();
    loading_ = true;
    failureReported_ = false;
    pendingFailureCode_ = 0;
    dialogs_ = 0;
    tellShown();
    armLoadTimer();
    watchdog_->arm();
    if (delegate_) delegate_->loadStarted();
}

std::optional<int> WebKitEngine::mainResourceStatus() const {
    WebKitWebResource* page = webkit_web_view_get_main_resource(view_);
    WebKitURIResponse* response = page ? webkit_web_resource_get_response(page) : nullptr;
    const char* uri = response ? webkit_uri_response_get_uri(response) : nullptr;
    if (!uri || (g_ascii_strncasecmp(uri, "http:", 5) != 0 && g_ascii_strncasecmp(uri, "https:", 6) != 0))
        return std::nullopt;
    const guint status = webkit_uri_response_get_status_code(response);
    if (status == 0) return std::nullopt;
    return static_cast<int>(status);
}

void WebKitEngine::onLoadFinished() {
    loading_ = false;
    if (loadTimer_) loadTimer_->invalidate();
    if (failureReported_) return;
    if (delegate_) delegate_->loadFinished();
}

void WebKitEngine::onLoadFailed(const WebError& error) {
    if (failureReported_) return;
    WebError e = error;
    if (pendingFailureCode_ != 0) {
        e.domain = "web";
        e.code = pendingFailureCode_;
    }
    reportFailure(e);
}

void WebKitEngine::reportFailure(const WebError& error) {
    loading_ = false;
    failureReported_ = true;
    if (loadTimer_) loadTimer_->invalidate();
    if (delegate_) delegate_->loadFailed(error);
}

bool WebKitEngine::onNavigation(const NavigationAction& action, bool newWindow, const std::string& url) {
    if (!newWindow && !approvedNewWindowUrl_.empty() && url == approvedNewWindowUrl_) {
        // The page's new-window request, already approved, now loading in this view.
        approvedNewWindowUrl_.clear();
        return isLoadableScheme(schemeOf(url));
    }
    std::weak_ptr<int> alive = alive_;
    const bool allowed = decideNavigation(delegate_, action);
    if (gone(alive)) return false;  // released while deciding: nothing loads in a view going away
    if (allowed && !newWindow) decidedUrl_ = url;
    if (newWindow && allowed) {
        approvedNewWindowUrl_ = url;
        host_.loop().post([this, alive, url] {
            if (!gone(alive)) webkit_web_view_load_uri(view_, url.c_str());
        });
        return false;
    }
    return allowed;
}

void WebKitEngine::onURIChanged(const char* uri) {
    // A load's address was counted when it was decided; any other change is the page's own
    // (history.pushState, replaceState, a fragment), which the engine carries through both
    // processes and keeps in the view's history just as it does a navigation's.
    if (uri && !decidedUrl_.empty() && decidedUrl_ == uri) {
        decidedUrl_.clear();
        return;
    }
    countNavigation(uri ? std::strlen(uri) : 0);
}

void WebKitEngine::onOversizedNavigation(std::size_t bytes) {
    ++page_.oversizedNavigations;
    if (page_.oversizedNavigations >= host_.limits().oversizedNavigationsBeforeStop) {
        stopHostilePage("it sent " + std::to_string(page_.oversizedNavigations) +
                        " navigations over the size limit");
        return;
    }
    logMessage("WebKitEngine", 3,
               "navigation of " + std::to_string(bytes) + " bytes refused: over " +
                   std::to_string(kMaxNavigationURLBytes) + " (" + url() + ")");
    // Last: the delegate may release the view.
    if (delegate_) delegate_->oversizedNavigationRefused(bytes);
}

bool WebKitEngine::countNavigation(std::size_t bytes, int navigations) {
    const auto now = std::chrono::steady_clock::now();
    for (NavigationWindow* window : {&navigationBurst_, &sustainedNavigations_}) {
        if (now - window->start > std::chrono::duration<double>(window->seconds)) {
            window->start = now;
            window->count = 0;
            window->bytes = 0;
        }
        window->bytes += bytes;
        window->count += navigations;
        const bool tooMany = window->count > window->most;
        if (!tooMany && window->bytes <= window->mostBytes) continue;
        const std::string what = tooMany ? std::to_string(window->most) + " navigations"
                                         : std::to_string(window->mostBytes >> 20) + " MiB of navigations";
        stopHostilePage("it asked for more than " + what + " within " +
                        std::to_string(static_cast<int>(window->seconds)) + " s");
        return false;
    }
    return true;
}

DialogAnswer WebKitEngine::onDialog(const ScriptDialog& dialog, bool& answered) {
    ++dialogs_;
    answered = false;
    // Its texts cross to the game as a navigation's URL does, so they weigh as much.
    if (!countNavigation(dialog.message.size() + dialog.defaultText.size(), 0)) return {};
    if (dialogs_ > host_.limits().dialogsBeforeStop) {
        stopHostilePage("it opened " + std::to_string(dialogs_) + " dialogs");
        return {};
    }
    if (dialogs_ > host_.limits().dialogsAnswered || !delegate_) return {};
    answered = true;
    return delegate_->scriptDialog(dialog);
}

void WebKitEngine::onContentSize(ContentSize size) {
    const auto accepted = acceptContentSize(size);
    if (!accepted || *accepted == contentSize_) return;
    contentSize_ = *accepted;
    if (delegate_) delegate_->contentSizeChanged(contentSize_);
}

void WebKitEngine::onUnresponsive() {
    stopHostilePage("its web process stopped responding");
}

void WebKitEngine::onProcessMessage(const std::string& name, const std::string& text) {
    if (name == extension::kProcessOutputMessage) {
        ++page_.processLines;
        if (page_.processLines <= WebPageLimits::kMaxProcessLinesPerPage) {
            logMessage("WebKitEngine", 3, "the page's web process says: " + text);
        } else if (page_.processLines == WebPageLimits::kMaxProcessLinesPerPage + 1) {
            logMessage("WebKitEngine", 3, "the page's web process says more: the rest is dropped");
        }
        return;
    }
    if (name == extension::kRequestsRefusedMessage && !page_.toldRefusedRequests) {
        page_.toldRefusedRequests = true;
        logMessage("WebKitEngine", 3, "the page's requests are refused: it asked for more than its share");
    }
    if (std::string why; name == extension::kCpuLimitMessage) {
        if (cpuCost_.stops(frameNumber(), host_.loopTicks(), why)) return stopHostilePage(why);
        if (!std::exchange(page_.toldCpuLeft, true))
            logMessage("WebKitEngine", 2,
                       "the page keeps past its processor share, drawing, and the game its pace");
        return;
    }
    if (name != extension::kMemoryLimitMessage || pendingFailureCode_ == WebError::kHostile) return;
    overMemory_ = true;
    stopHostilePage("it neared its memory limit");
}

void WebKitEngine::stopHostilePage(const std::string& why) {
    if (pendingFailureCode_ == WebError::kHostile) return;
    // The reason first, and the address, which the page makes as long as it likes, cut.
    logMessage(
        "WebKitEngine::stopHostilePage", 3,
        "stopping the page: " + why + " (" + url().substr(0, WebPageLimits::kMaxStopLineURLBytes) + ")");
    pendingFailureCode_ = WebError::kHostile;
    // The view's own web process: no other view shares it. Its end is reported at once, from
    // inside this call, and the delegate may release this engine there.
    webkit_web_view_terminate_web_process(view_);
}

void WebKitEngine::onProcessEnded(int reason) {
    // Reported once, whether a load was running or the page sat loaded: the view is blank now.
    // Unless the host stopped the page or it passed the memory limit, the process ended by no
    // fault of the page (a crash, the system's doing). Either way the view takes the next load
    // in a new process.
    watchdog_->disarm();
    if (loadTimer_) loadTimer_->invalidate();
    WebError e;
    e.domain = "web";
    const bool overMemory = overMemory_ || reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT;
    overMemory_ = false;
    const bool pagesFault = pendingFailureCode_ == WebError::kHostile || overMemory;
    e.code = pagesFault ? WebError::kHostile : WebError::kWebProcessEnded;
    e.message = overMemory                             ? "the web process exceeded its memory limit"
                : reason == WEBKIT_WEB_PROCESS_CRASHED ? "the web process crashed"
                                                       : "the web process was ended";
    e.failingUrl = url();
    pendingFailureCode_ = 0;
    // The next page starts in a new process.
    for (NavigationWindow* window : {&navigationBurst_, &sustainedNavigations_}) window->start = {};
    processAsked_ = false;
    cpuCost_.restart(frameNumber());
    failureReported_ = true;
    loading_ = false;
    std::weak_ptr<int> alive = alive_;
    for (auto& pending : std::vector<std::shared_ptr<PendingScript>>(scripts_)) {
        pending->finish({false, {}, "the page's web process ended"});
        if (gone(alive)) return;
    }
    if (delegate_) delegate_->loadFailed(e);
    if (gone(alive) || !unstartedLoad_) return;
    // The stuck process never took the host's last page: the view's next process does.
    host_.loop().post([this, alive] {
        if (!gone(alive) && unstartedLoad_) issue(*unstartedLoad_);
    });
}

void WebKitEngine::armLoadTimer() {
    if (loadTimer_) loadTimer_->invalidate();
    loadTimer_ = host_.loop().scheduleOnce(host_.limits().loadTimeoutSeconds, alive_, [this](Timer&) {
        if (!loading_ || failureReported_) return;
        const WebError timedOut{"web", WebError::kTimedOut, "the page did not finish loading in time", url()};
        // Stopped first (its cancel is not passed on), reported last: the delegate may release
        // this view. A page spinning in a script is not stopped by this; the watchdog finds it.
        failureReported_ = true;
        webkit_web_view_stop_loading(view_);
        reportFailure(timedOut);
    });
}

}  // namespace platform::web
