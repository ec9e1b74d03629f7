#pragma once
// A web view driven by a test: nothing loads by itself. The test plays the page's side
// (navigations, load events, script results, dialogs, content sizes, script requests, the end of
// the web process) and reads back what the code under test asked of the view. Where the ad
// views lean on the real engine's behaviour the fake behaves the same (the conformance tests run
// both): the host's own loads are asked of the delegate like any navigation and a refused one
// leaves no trace, a frame's navigation never loads the view, the process's end reaches an idle
// view, dialogs and content sizes are bounded alike and, on a loop, loads and scripts time out.
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/web/WebEngine.h"

namespace platform {
class RunLoop;
class Timer;
}  // namespace platform

namespace platform::web {

class FakeWebEngine : public WebEngine {
  public:
    // The real engine's bounds per view (WebLimits of the host), with the same defaults.
    struct Limits {
        double loadTimeoutSeconds = 30;
        double scriptTimeoutSeconds = 5;
        int dialogsAnswered = 20;     // per load: later dialogs are dismissed unasked
        int dialogsBeforeStop = 200;  // per load: a page opening more is stopped as hostile
    };
    struct PendingScript {
        std::string script;
        ScriptCompletion done;
        std::shared_ptr<Timer> timer;
    };
    struct LoadCall {
        enum class Kind { HTML, Request, Reload, Back, Forward, Stop } kind;
        std::string content;  // the HTML, or the request's URL
        std::string baseUrl;
        HeaderList headers;
    };

    FakeWebEngine(int width = 320, int height = 50);
    ~FakeWebEngine() override;
    FakeWebEngine(const FakeWebEngine&) = delete;
    FakeWebEngine& operator=(const FakeWebEngine&) = delete;

    // From now on the fake keeps time on `loop`: the host's loads are asked of the delegate in
    // a task posted there (never inside the load call, as with the real engine), and loads and
    // script evaluations time out on its clock. The loop must outlive the fake.
    void useLoop(RunLoop& loop);
    void setLimits(const Limits& limits) { limits_ = limits; }

    void setDelegate(WebEngineDelegate* delegate) override { delegate_ = delegate; }
    void loadHTML(const std::string& html, const std::string& baseUrl) override;
    void loadRequest(const WebRequest& request) override;
    void stopLoading() override;
    void reload() override;
    void goBack() override;
    void goForward() override;
    bool canGoBack() const override { return historyIndex_ > 0; }
    bool canGoForward() const override { return historyIndex_ + 1 < static_cast<int>(history_.size()); }
    bool isLoading() const override { return loading_; }
    std::string url() const override { return url_; }
    void evaluateScript(const std::string& script, ScriptCompletion done) override;
    void setSize(int width, int height) override;
    int width() const override { return width_; }
    int height() const override { return height_; }
    void setScale(double scale) override;
    double scale() const override { return scale_; }
    Image snapshot() override;
    void setBackgroundColor(ui::Color color) override;
    ui::Color backgroundColor() const override { return background_; }
    std::optional<int> mainResourceStatus() const override { return mainResourceStatus_; }
    // What the server is to have answered the page that finishes loading next.
    void setMainResourceStatus(std::optional<int> status) { mainResourceStatus_ = status; }
    void setShowsScrollBars(bool shows) override { showsScrollBars_ = shows; }
    bool showsScrollBars() const override { return showsScrollBars_; }
    ContentSize contentSize() const override { return contentSize_; }
    void sendMouseEvent(const MouseEvent& event) override { mouseEvents_.push_back(event); }
    void setFocused(bool focused) override { focused_ = focused; }
    bool isFocused() const override { return focused_; }
    void sendKeyEvent(const KeyEvent& event) override;
    void sendScrollEvent(const ScrollEvent& event) override { scrollEvents_.push_back(event); }
    void setMediaPlayback(MediaPlayback policy) override { mediaPlayback_ = policy; }
    MediaPlayback mediaPlayback() const override { return mediaPlayback_; }
    void setShown(bool shown) override { shown_ = shown; }
    bool isShown() const override { return shown_; }
    std::string userAgent() const override { return userAgent_; }
    void setUserAgent(const std::string& userAgent) override { userAgent_ = userAgent; }
    void setScriptResponder(ScriptResponder responder) override { responder_ = std::move(responder); }

    // The page's side. startHostLoad() asks the delegate about the oldest load the host asked
    // for (loadHTML, loadRequest, reload, goBack, goForward) and returns false when none waits;
    // with a loop it runs by itself. A finished main-frame load is a history entry, as a
    // committed one is in the real engine (a page the host went back or forward to moves
    // through the entries instead). navigate() returns the decision; an allowed main-frame navigation starts
    // a load (loadStarted), a frame's navigation only asks. finishLoad/failLoad end the current load; without
    // one they do nothing.
    bool startHostLoad();
    bool navigate(const NavigationAction& action);
    bool navigate(const std::string& url, NavigationType type = NavigationType::Other,
                  bool userGesture = false);
    void finishLoad();
    void failLoad(const WebError& error);
    // The page's web process ends (a crash, or hostile when the host stopped the page): waiting
    // scripts fail and the view reports the failure whether or not it was loading.
    void endWebProcess(bool hostile = false);
    void changeContentSize(ContentSize size);
    DialogAnswer openDialog(const ScriptDialog& dialog);
    // Asks the responder (a view without one declines); the answer reaches `onAnswer` when it
    // is given. The second form returns an answer given at once, nullopt while it is deferred.
    void requestScript(const ScriptRequest& request, ScriptReply::Sink onAnswer);
    std::optional<ScriptAnswer> requestScript(const ScriptRequest& request);
    // Ends the oldest waiting script evaluation; false when none waits.
    bool completeScript(const ScriptResult& result);
    // The page draws anew: snapshot() returns `image` from now on (an image without pixels
    // puts back the default, the background colour over the snapshot's size), and the frame
    // handler hears of it.
    void setSnapshot(Image image);

    const std::vector<LoadCall>& loadCalls() const { return loadCalls_; }
    const std::deque<PendingScript>& pendingScripts() const { return pendingScripts_; }
    const std::vector<MouseEvent>& mouseEvents() const { return mouseEvents_; }
    // The keys that reached the page (sent while focused).
    const std::vector<KeyEvent>& keyEvents() const { return keyEvents_; }
    const std::vector<ScrollEvent>& scrollEvents() const { return scrollEvents_; }

  private:
    struct HostLoad {
        NavigationAction action;
        int historyIndex = -1;  // the entry a back or forward load goes to
    };
    void queueHostLoad(NavigationAction action, int historyIndex = -1);
    bool begin(const NavigationAction& action, int historyIndex);
    void armLoadTimer();
    // Ends the script whose time limit is `timer`, if it still waits; the completion runs last.
    void finishScript(const Timer* timer, const ScriptResult& result);

    WebEngineDelegate* delegate_ = nullptr;
    ScriptResponder responder_;
    RunLoop* loop_ = nullptr;
    Limits limits_;
    // Expires with the fake: timers and posted work check it, and a callback that releases the
    // fake stops the call that made it.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::shared_ptr<Timer> loadTimer_;
    std::deque<HostLoad> hostLoads_;
    std::vector<std::string> history_;
    int historyIndex_ = -1;
    int loadingHistoryIndex_ = -1;  // of the load running, when it goes back or forward
    std::vector<LoadCall> loadCalls_;
    std::deque<PendingScript> pendingScripts_;
    std::vector<MouseEvent> mouseEvents_;
    std::vector<KeyEvent> keyEvents_;
    std::vector<ScrollEvent> scrollEvents_;
    std::string url_;
    std::string userAgent_ = "Mozilla/5.0 (X11; Linux x86_64)";
    Image snapshot_;
    ui::Color background_ = ui::Color::white();
    std::optional<int> mainResourceStatus_;
    bool showsScrollBars_ = true;
    ContentSize contentSize_;
    MediaPlayback mediaPlayback_ = MediaPlayback::Automatic;
    bool shown_ = true;
    double scale_ = 1;
    int width_;
    int height_;
    int dialogs_ = 0;
    bool loading_ = false;
    bool processEnded_ = false;  // until the next load: the page is gone and opens nothing more
    bool focused_ = false;
};

}  // namespace platform::web
