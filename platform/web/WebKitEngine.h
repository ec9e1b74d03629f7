#pragma once
// A web view of the real engine: a WebKitWebView in a GTK window the player never sees, driven
// from the main loop. Adds what the host needs on top of the engine: the navigation decision with
// the scheme rule, one end event per load, time limits for loads and scripts, bounded dialogs,
// content-size reports and the stop of a page that stops answering. Every delegate call may
// release the engine: nothing of it is used after one. Made by WebKitHost.
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/web/PageCpuCost.h"
#include "platform/web/WebEngine.h"
#include "platform/web/WebPageLimits.h"
#include "platform/web/WebPageState.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitUserStyleSheet WebKitUserStyleSheet;

namespace platform {
class Timer;
}

namespace platform::web {

class WebKitHost;
class PageWatchdog;
class WebKitPageDefaults;

class WebKitEngine : public WebEngine {
  public:
    WebKitEngine(WebKitHost& host, int width, int height);
    ~WebKitEngine() override;
    WebKitEngine(const WebKitEngine&) = delete;
    WebKitEngine& operator=(const WebKitEngine&) = delete;

    void setDelegate(WebEngineDelegate* delegate) override { delegate_ = delegate; }
    void loadHTML(const std::string& html, const std::string& baseUrl) override;
    void loadRequest(const WebRequest& request) override;
    void stopLoading() override;
    void reload() override;
    void goBack() override;
    void goForward() override;
    bool canGoBack() const override;
    bool canGoForward() const override;
    bool isLoading() const override { return loading_; }
    std::string url() const override;
    void evaluateScript(const std::string& script, ScriptCompletion done) override;
    void setSize(int width, int height) override;
    int width() const override { return width_; }
    int height() const override { return height_; }
    void setScale(double scale) override;
    double scale() const override { return scale_; }
    Image snapshot() override;
    void setBackgroundColor(ui::Color color) override;
    ui::Color backgroundColor() const override { return background_; }
    std::optional<int> mainResourceStatus() const override;
    void setShowsScrollBars(bool shows) override;
    bool showsScrollBars() const override { return !hiddenScrollBars_; }
    ContentSize contentSize() const override { return contentSize_; }
    void sendMouseEvent(const MouseEvent& event) override;
    void setFocused(bool focused) override;
    bool isFocused() const override { return focused_; }
    void sendKeyEvent(const KeyEvent& event) override;
    void sendScrollEvent(const ScrollEvent& event) override;
    void setMediaPlayback(MediaPlayback policy) override;
    MediaPlayback mediaPlayback() const override { return mediaPlayback_; }
    void setShown(bool shown) override;
    bool isShown() const override { return shown_; }
    std::string userAgent() const override;
    void setUserAgent(const std::string& userAgent) override;
    void setScriptResponder(ScriptResponder responder) override { responder_ = std::move(responder); }

    WebKitWebView* webView() const { return view_; }
    // The host's interception scheme hands script requests of this view here; a view without
    // a responder declines them.
    void answerScriptRequest(const ScriptRequest& request, ScriptReply reply);
    // Every request of this view on the host's scripts scheme costs the game as a navigation does,
    // so it counts as one, weighed by its URL's bytes; one the page made itself (`refused`) is said
    // once a page the host loaded, however often the page loads itself again. False when that stopped the
    // page (the delegate may have released this engine).
    bool countScriptRequest(bool refused, std::size_t bytes);

  private:
    struct Signals;
    struct PendingScript;

    void evaluate(const std::string& script, double timeoutSeconds, ScriptCompletion done);
    void onLoadStarted();
    void onLoadFinished();
    void onLoadFailed(const WebError& error);
    bool onNavigation(const NavigationAction& action, bool newWindow, const std::string& url);
    void onOversizedNavigation(std::size_t bytes);
    // The view's address changed: a load's, or the page's own without one.
    void onURIChanged(const char* uri);
    // Counts a navigation the page asks for, of a URL of `bytes`, or (with no navigation) the bytes
    // of anything else the page hands the game: a dialog's texts, an answer to a script. False when
    // that stopped the page (the delegate may have released this engine then).
    bool countNavigation(std::size_t bytes, int navigations = 1);
    DialogAnswer onDialog(const ScriptDialog& dialog, bool& answered);
    void onContentSize(ContentSize size);
    void onUnresponsive();
    void onProcessEnded(int reason);
    // A message of the page's web process (the extension in it), with its text if any.
    void onProcessMessage(const std::string& name, const std::string& text);
    void onPageDrawn();
    void reportFailure(const WebError& error);
    // Ends the page's web process (this view's alone) because the page misbehaved.
    void stopHostilePage(const std::string& why);
    void armLoadTimer();
    // The widget's size in pixels: the size in points at the view's scale.
    void applySize();

    // A page the host asked for that has not started loading yet: when the page before it was
    // stuck, it is asked for again once that page's process has been ended.
    struct HostLoad {
        bool html = false;
        std::string content;  // the HTML, or the URL
        std::string baseUrl;
        HeaderList headers;
    };
    void issue(HostLoad load);
    // A page the host loads starts the counts kept per page, not per load.
    void startHostPage();
    // Tells the view's sound and the page's process whether the view is shown: again as each
    // load starts, since a new process knows nothing of it.
    void tellShown();

    WebKitHost& host_;
    std::optional<HostLoad> unstartedLoad_;
    GtkWidget* window_ = nullptr;
    WebKitWebView* view_ = nullptr;
    WebEngineDelegate* delegate_ = nullptr;
    ScriptResponder responder_;
    // Owner of timers and of callbacks that may arrive after the view is gone; set to 1 when
    // the engine goes (see gone()).
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::unique_ptr<PageWatchdog> watchdog_;
    // The engine's defaults for what the page asks and no one else answers.
    std::unique_ptr<WebKitPageDefaults> defaults_;
    std::shared_ptr<Timer> loadTimer_;
    std::vector<std::shared_ptr<PendingScript>> scripts_;
    std::string approvedNewWindowUrl_;
    std::string decidedUrl_;  // the last navigation allowed to load in the view, until it shows
    int width_;
    int height_;
    double scale_ = 1;
    ui::Color background_ = ui::Color::white();
    // The user style sheet that hides the scroll bars, while they are hidden.
    WebKitUserStyleSheet* hiddenScrollBars_ = nullptr;
    bool focused_ = false;
    bool snapshotting_ = false;  // drawing the view for a snapshot, which is no new drawing of the page
    MediaPlayback mediaPlayback_ = MediaPlayback::Automatic;
    bool shown_ = true;
    bool processAsked_ = false;  // a load was issued since the view was made or its process ended
    int dialogs_ = 0;
    WebPageState page_;
    // What the page's process past its processor share costs the game.
    PageCpuCost cpuCost_;
    // Navigations asked for since the window's start; counted across loads, since a page may
    // load itself again as fast as it likes.
    struct NavigationWindow {
        int most;
        std::size_t mostBytes;
        double seconds;
        int count = 0;
        std::size_t bytes = 0;
        std::chrono::steady_clock::time_point start{};
    };
    NavigationWindow navigationBurst_{WebPageLimits::kMaxNavigationsPerWindow,
                                      WebPageLimits::kMaxNavigationBytesPerWindow,
                                      WebPageLimits::kNavigationWindowSeconds};
    NavigationWindow sustainedNavigations_{WebPageLimits::kMaxSustainedNavigations,
                                           WebPageLimits::kMaxSustainedNavigationBytes,
                                           WebPageLimits::kSustainedWindowSeconds};
    bool loading_ = false;
    bool failureReported_ = false;
    int pendingFailureCode_ = 0;  // a failure the host caused, reported with its own code
    bool overMemory_ = false;     // the page's process was ended for passing its memory limit
    ContentSize contentSize_;
};

}  // namespace platform::web
