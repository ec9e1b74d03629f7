#pragma once
// One web view, as the ad views use it: loads pages, runs script, reports loads and
// navigations to its delegate, draws into an RGBA snapshot and takes mouse input. Backed by the
// real engine (WebKitEngine) or, in unit tests, by FakeWebEngine. Main thread only.
#include <functional>
#include <optional>
#include <string>

#include "platform/image/Image.h"
#include "platform/web/ScriptReply.h"
#include "platform/web/WebEngineDelegate.h"
#include "platform/web/WebTypes.h"

namespace platform::web {

class WebEngine {
  public:
    using ScriptCompletion = std::function<void(const ScriptResult&)>;
    // Answers a script request of the page through `reply`, at once or later on the main loop
    // (see ScriptReply). A view without a responder declines every request.
    using ScriptResponder = std::function<void(const ScriptRequest&, ScriptReply reply)>;

    virtual ~WebEngine() = default;

    // Not owned; must outlive the engine or be cleared first.
    virtual void setDelegate(WebEngineDelegate* delegate) = 0;

    virtual void loadHTML(const std::string& html, const std::string& baseUrl) = 0;
    virtual void loadRequest(const WebRequest& request) = 0;
    virtual void stopLoading() = 0;
    virtual void reload() = 0;
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    virtual bool canGoBack() const = 0;
    virtual bool canGoForward() const = 0;
    virtual bool isLoading() const = 0;
    // The page's address ("" before any load).
    virtual std::string url() const = 0;

    // Runs script in the page; `done` is called once, later, on the main thread (never from
    // inside this call), unless the engine is destroyed first.
    virtual void evaluateScript(const std::string& script, ScriptCompletion done) = 0;

    // Size of the view in points.
    virtual void setSize(int width, int height) = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // The view as last drawn: width x height premultiplied RGBA.
    virtual Image snapshot() = 0;
    virtual void sendMouseEvent(const MouseEvent& event) = 0;

    virtual std::string userAgent() const = 0;
    virtual void setUserAgent(const std::string& userAgent) = 0;

    virtual void setScriptResponder(ScriptResponder responder) = 0;

    // The lower-cased scheme of a URL ("" when it has none).
    static std::string schemeOf(const std::string& url);
    // Schemes a view may load: http, https and about.
    static bool isLoadableScheme(const std::string& scheme);
    // The decision for one navigation: the delegate is asked (when there is one), and only a
    // loadable scheme may load.
    static bool decideNavigation(WebEngineDelegate* delegate, const NavigationAction& action);
};

}  // namespace platform::web
