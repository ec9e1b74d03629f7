#pragma once
// One web view, as the ad views use it: loads pages, runs script, reports loads and
// navigations to its delegate, draws into an RGBA snapshot at the window's scale and takes
// mouse, key and wheel input. Backed by the real engine (WebKitEngine) or, in unit tests, by
// FakeWebEngine; both pass the same conformance tests. Main thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/image/Image.h"
#include "platform/ui/Color.h"
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
    // Pixels per point of the snapshot (the window's scale, 1 by default): the page still lays
    // out at width x height points, and draws its text and shapes at the finer resolution.
    // Values outside 0.25 to 8 are clamped.
    virtual void setScale(double scale) = 0;
    virtual double scale() const = 0;
    // The view as last drawn: (width x scale) x (height x scale) premultiplied RGBA, rounded.
    virtual Image snapshot() = 0;
    // Moves each time the page draws anew, and when the size, scale or background changes: a
    // snapshot taken at an unchanged number shows what the last one showed, so a view showing
    // the page copies its picture only when the number moved.
    std::uint64_t frameNumber() const { return frames_; }
    // Whether the page has drawn anew since frameNumber() was `frame`, at its size and scale as
    // they are now: the one answer to "has the page drawn since?" for whoever shows the page, a
    // slide bringing it in, or a capture of it.
    bool drawnSince(std::uint64_t frame) const { return drawnFrame_ > frame && drawnFrame_ > sizedFrame_; }
    // Whether the page has drawn since its size or scale last changed: until it has, a snapshot
    // may show the picture drawn at the old ones (or nothing), whatever the page paints.
    bool drawnAtSize() const { return drawnSince(0); }
    // Calls `listener`, on the main loop, each time the page has drawn anew, for as long as the
    // handle returned is held; a page that stands still calls nothing. Any number may listen; a
    // listener may release the view, the engine and any handle.
    using FrameListening = std::shared_ptr<void>;
    [[nodiscard]] FrameListening listenToFrames(std::function<void()> listener);
    // What shows where the page paints nothing (white by default). With alpha below 1 the page's
    // unpainted parts are that transparent in the snapshot, so the window shows through.
    virtual void setBackgroundColor(ui::Color color) = 0;
    virtual ui::Color backgroundColor() const = 0;
    // The HTTP status the server answered the last finished load's page with; nothing when the
    // page came from no HTTP answer (HTML given, a file) or the engine cannot tell.
    virtual std::optional<int> mainResourceStatus() const { return std::nullopt; }
    // Whether the page's scroll bars are drawn (yes by default). Without them the page still
    // scrolls, by wheel and by script, as a phone's web view does.
    virtual void setShowsScrollBars(bool shows) = 0;
    virtual bool showsScrollBars() const = 0;
    // The page's last reported content size ({0, 0} before any report).
    virtual ContentSize contentSize() const = 0;

    virtual void sendMouseEvent(const MouseEvent& event) = 0;
    // Keys reach the page only while the view has the focus; a view starts without it.
    virtual void setFocused(bool focused) = 0;
    virtual bool isFocused() const = 0;
    virtual void sendKeyEvent(const KeyEvent& event) = 0;
    // Scrolls what is under the point (the page, or a scrolling part of it).
    virtual void sendScrollEvent(const ScrollEvent& event) = 0;
    virtual void setMediaPlayback(MediaPlayback policy) = 0;
    virtual MediaPlayback mediaPlayback() const = 0;
    // Whether the view is on screen (yes by default): while it is not, the page's media waits and
    // its sound is muted, in all its frames, whatever the page does; shown again, the page plays on
    // what was held. Whoever shows the view tells (WebContentView).
    virtual void setShown(bool shown) = 0;
    virtual bool isShown() const = 0;

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

    // Navigations to longer URLs are refused where they arrive, before any copy is made for the
    // delegate: the page-message bridge takes no longer message, and a page sending such URLs
    // at speed would otherwise make the host hold them.
    static constexpr std::size_t kMaxNavigationURLBytes = 2u << 20;
    // A page may report any size; sides above this are taken as a broken report and dropped.
    static constexpr int kMaxContentSide = 1000000;
    // The size a page's report is passed on as: nothing for a side out of range, else each
    // side at least 1 (an empty page still takes a point in the layout of the ad's slot).
    static std::optional<ContentSize> acceptContentSize(ContentSize reported);
    static double clampScale(double scale);
    // "Enter", "a", "\u00e9": a key name a view takes (see KeyEvent), or false.
    static bool isKnownKey(const std::string& key);

  protected:
    // The engines tell: the look changed without the page drawing (a background, scroll bars);
    // the size or scale changed; the page drew anew (its listeners hear it).
    void lookChanged() { ++frames_; }
    void sizeChanged() { sizedFrame_ = ++frames_; }
    void pageDrew();

  private:
    std::uint64_t frames_ = 0;
    std::uint64_t drawnFrame_ = 0;
    std::uint64_t sizedFrame_ = 0;
    std::vector<std::weak_ptr<std::function<void()>>> frameListeners_;
    // Gone with the engine: a listener that released it stops the others being called.
    std::shared_ptr<char> listening_ = std::make_shared<char>();
};

}  // namespace platform::web
