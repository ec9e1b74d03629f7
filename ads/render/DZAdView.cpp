#include "ads/render/DZAdView.h"

#include <mutex>
#include <utility>

#include "ads/foundation/DZAdURLStash.h"
#include "ads/foundation/DZLogger.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
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

std::shared_ptr<DZAdView> DZAdView::create(platform::Rect frame) {
    auto view = std::make_shared<DZAdView>(frame);
    view->makeEngine();
    return view;
}

DZAdView::DZAdView(platform::Rect frame) : platform::ui::View(frame) {}

DZAdView::~DZAdView() {
    if (engine_) engine_->setDelegate(nullptr);
    if (URL_) DZAdURLStash::remove(*URL_, this);
}

void DZAdView::makeEngine() {
    EngineFactory factory;
    {
        std::lock_guard lock(factoryMutex());
        factory = installedFactory();
    }
    const int width = static_cast<int>(bounds().size.width);
    const int height = static_cast<int>(bounds().size.height);
    engine_ = factory ? factory(width, height, &engineError_)
                      : platform::web::WebViews::create(width, height, &engineError_);
    if (engine_) {
        engine_->setDelegate(this);
        engine_->setBackgroundColor(platform::ui::Color::clear());
    } else if (engineError_.empty()) {
        engineError_ = "no web view could be made";
    }
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
    setURL(base);
    const std::string loadBase = base ? base->text() : "about:blank";
    if (!engine_) return failWithoutEngine(loadBase);
    engine_->loadHTML(html, loadBase);
}

void DZAdView::loadRequest(const platform::web::WebRequest& request) {
    if (!engine_) return failWithoutEngine(request.url);
    engine_->loadRequest(request);
}

void DZAdView::stopLoading() {
    if (engine_) engine_->stopLoading();
}

std::string DZAdView::currentURL() const {
    return engine_ ? engine_->url() : std::string();
}

bool DZAdView::isLoading() const {
    return engine_ && engine_->isLoading();
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
    if (!engine_) {
        if (done) {
            onNextTurn([done = std::move(done), error = engineError_] {
                done(platform::web::ScriptResult{false, "", "no web view: " + error});
            });
        }
        return;
    }
    engine_->evaluateScript(script, [done = std::move(done)](const platform::web::ScriptResult& result) {
        if (done) done(result);
    });
}

void DZAdView::postJSNotification(const std::string& name, const std::optional<nlohmann::json>& userInfo) {
    std::string command = JSCommandForNotificationName(name, userInfo);
    onNextTurn([self = std::static_pointer_cast<DZAdView>(shared_from_this()), command = std::move(command)] {
        self->evaluateJavaScript(command, nullptr);
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
    auto delegate = delegate_.lock();
    return delegate ? delegate->adViewShouldStartLoad(*this, action) : true;
}

void DZAdView::loadStarted() {
    auto self = weak_from_this().lock();
    if (auto delegate = delegate_.lock()) delegate->adViewDidStartLoad(*this);
}

void DZAdView::loadFinished() {
    auto self = weak_from_this().lock();
    if (auto delegate = delegate_.lock()) delegate->adViewDidFinishLoad(*this);
    // A one-point-high frame and back makes the page measure its content anew.
    if (engine_) {
        const int width = static_cast<int>(bounds().size.width);
        const int height = static_cast<int>(bounds().size.height);
        engine_->setSize(width, 1);
        engine_->setSize(width, height);
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
