#pragma once
// A web view driven by a test: nothing loads by itself. The test plays the page's side
// (navigations, load events, script results, dialogs, content sizes, script requests) and reads
// back what the code under test asked of the view. Navigations go through the same decision as
// the real engine's.
#include <deque>
#include <string>
#include <vector>

#include "platform/web/WebEngine.h"

namespace platform::web {

class FakeWebEngine : public WebEngine {
  public:
    struct PendingScript {
        std::string script;
        ScriptCompletion done;
    };
    struct LoadCall {
        enum class Kind { HTML, Request, Reload, Back, Forward, Stop } kind;
        std::string content;  // the HTML, or the request's URL
        std::string baseUrl;
        HeaderList headers;
    };

    FakeWebEngine(int width = 320, int height = 50);

    void setDelegate(WebEngineDelegate* delegate) override { delegate_ = delegate; }
    void loadHTML(const std::string& html, const std::string& baseUrl) override;
    void loadRequest(const WebRequest& request) override;
    void stopLoading() override;
    void reload() override;
    void goBack() override;
    void goForward() override;
    bool canGoBack() const override { return canGoBack_; }
    bool canGoForward() const override { return canGoForward_; }
    bool isLoading() const override { return loading_; }
    std::string url() const override { return url_; }
    void evaluateScript(const std::string& script, ScriptCompletion done) override;
    void setSize(int width, int height) override;
    int width() const override { return width_; }
    int height() const override { return height_; }
    Image snapshot() override;
    void sendMouseEvent(const MouseEvent& event) override { mouseEvents_.push_back(event); }
    std::string userAgent() const override { return userAgent_; }
    void setUserAgent(const std::string& userAgent) override { userAgent_ = userAgent; }
    void setScriptResponder(ScriptResponder responder) override { responder_ = std::move(responder); }

    // The page's side. navigate() returns the decision; an allowed navigation starts a
    // load (loadStarted). finishLoad/failLoad end the current load; without one they do nothing.
    bool navigate(const NavigationAction& action);
    bool navigate(const std::string& url, NavigationType type = NavigationType::Other,
                  bool userGesture = false);
    void finishLoad();
    void failLoad(const WebError& error);
    void changeContentSize(ContentSize size);
    DialogAnswer openDialog(const ScriptDialog& dialog);
    // Asks the responder (a view without one declines); the answer reaches `onAnswer` when it
    // is given. The second form returns an answer given at once, nullopt while it is deferred.
    void requestScript(const ScriptRequest& request, ScriptReply::Sink onAnswer);
    std::optional<ScriptAnswer> requestScript(const ScriptRequest& request);
    // Ends the oldest waiting script evaluation; false when none waits.
    bool completeScript(const ScriptResult& result);
    void setHistory(bool canGoBack, bool canGoForward);
    // What snapshot() returns (by default a transparent image of the view's size).
    void setSnapshot(Image image) { snapshot_ = std::move(image); }

    const std::vector<LoadCall>& loadCalls() const { return loadCalls_; }
    const std::deque<PendingScript>& pendingScripts() const { return pendingScripts_; }
    const std::vector<MouseEvent>& mouseEvents() const { return mouseEvents_; }

  private:
    WebEngineDelegate* delegate_ = nullptr;
    ScriptResponder responder_;
    std::vector<LoadCall> loadCalls_;
    std::deque<PendingScript> pendingScripts_;
    std::vector<MouseEvent> mouseEvents_;
    std::string url_;
    std::string userAgent_ = "Mozilla/5.0 (X11; Linux x86_64)";
    Image snapshot_;
    int width_;
    int height_;
    bool loading_ = false;
    bool canGoBack_ = false;
    bool canGoForward_ = false;
};

}  // namespace platform::web
