#pragma once
// The view every HTML creative (and the hidden core page) is shown in: it wraps one web engine,
// passes the engine's load events to its ad-view delegate, and is the only road from native code
// into the page. The engine comes from one factory: the real one where a display exists, a fake
// in unit tests. Without an engine every load fails at once with a web error, so the callers'
// failure paths run. Evaluation is asynchronous only. Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/ui/View.h"
#include "platform/url/Url.h"
#include "platform/web/WebEngine.h"

class DZAdView;

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

class DZAdView : public platform::ui::View, public platform::web::WebEngineDelegate {
  public:
    using EngineFactory =
        std::function<std::unique_ptr<platform::web::WebEngine>(int width, int height, std::string* error)>;
    using EvaluationCompletion = std::function<void(const platform::web::ScriptResult&)>;

    // Installs the engine factory (null: the real views of WebViews::create) and returns the
    // one it replaces.
    static EngineFactory setEngineFactory(EngineFactory factory);

    static std::shared_ptr<DZAdView> create(platform::Rect frame);
    ~DZAdView() override;

    // The JavaScript of a message to the page: ZAZO_ReceiveMessage with the name as a JSON
    // string and, when given, the parameters as compact JSON.
    static std::string JSCommandForNotificationName(const std::string& name,
                                                    const std::optional<nlohmann::json>& userInfo);

    // Records the base URL in the URL stash and loads the HTML under it. Only http, https and
    // about bases are taken; the page of any other base loads as about:blank.
    void loadHTMLString(const std::string& html, const std::string& baseURL);
    void loadRequest(const platform::web::WebRequest& request);
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
    void setViewController(std::weak_ptr<platform::ui::ViewController> controller) {
        viewController_ = std::move(controller);
    }
    std::shared_ptr<platform::ui::ViewController> viewController() const { return viewController_.lock(); }

    // The wrapped engine; null where none could be made.
    platform::web::WebEngine* engine() const { return engine_.get(); }
    const std::string& engineError() const { return engineError_; }

    // WebEngineDelegate
    bool shouldStartNavigation(const platform::web::NavigationAction& action) override;
    void loadStarted() override;
    void loadFinished() override;
    void loadFailed(const platform::web::WebError& error) override;
    void contentSizeChanged(platform::web::ContentSize size) override;

    explicit DZAdView(platform::Rect frame);  // use create()

  private:
    void makeEngine();
    // The web error of a load asked of a view without an engine, delivered on the next turn.
    void failWithoutEngine(const std::string& url);

    std::unique_ptr<platform::web::WebEngine> engine_;
    std::string engineError_;
    std::weak_ptr<DZAdViewDelegateProtocol> delegate_;
    std::weak_ptr<platform::ui::ViewController> viewController_;
    std::optional<platform::Url> URL_;
    int orientation_ = 0;
};
