#include "platform/web/FakeWebEngine.h"

#include <algorithm>
#include <cmath>

#include "platform/runloop/RunLoop.h"

namespace platform::web {

namespace {

std::uint8_t channel(float value, float alpha) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value * alpha, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

FakeWebEngine::FakeWebEngine(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {}

FakeWebEngine::~FakeWebEngine() {
    alive_.reset();
    if (loadTimer_) loadTimer_->invalidate();
    for (auto& pending : pendingScripts_) {
        if (pending.timer) pending.timer->invalidate();
    }
}

void FakeWebEngine::useLoop(RunLoop& loop) {
    loop_ = &loop;
    if (!hostLoads_.empty()) {
        std::weak_ptr<int> alive = alive_;
        loop_->post([this, alive] {
            if (!alive.expired()) startHostLoad();
        });
    }
}

void FakeWebEngine::queueHostLoad(NavigationAction action, int historyIndex) {
    hostLoads_.push_back({std::move(action), historyIndex});
    if (!loop_) return;
    std::weak_ptr<int> alive = alive_;
    loop_->post([this, alive] {
        if (!alive.expired()) startHostLoad();
    });
}

void FakeWebEngine::loadHTML(const std::string& html, const std::string& baseUrl) {
    loadCalls_.push_back({LoadCall::Kind::HTML, html, baseUrl, {}});
    NavigationAction action;
    action.url = baseUrl.empty() ? "about:blank" : baseUrl;
    queueHostLoad(std::move(action));
}

void FakeWebEngine::loadRequest(const WebRequest& request) {
    loadCalls_.push_back({LoadCall::Kind::Request, request.url, {}, request.headers});
    NavigationAction action;
    action.url = request.url;
    action.headers = request.headers;
    queueHostLoad(std::move(action));
}

void FakeWebEngine::stopLoading() {
    loadCalls_.push_back({LoadCall::Kind::Stop, {}, {}, {}});
    hostLoads_.clear();
    if (loading_) failLoad({"web", WebError::kCancelled, "stopped", url_});
}

void FakeWebEngine::reload() {
    loadCalls_.push_back({LoadCall::Kind::Reload, url_, {}, {}});
    if (url_.empty()) return;
    NavigationAction action;
    action.url = url_;
    action.type = NavigationType::Reload;
    queueHostLoad(std::move(action));
}
void FakeWebEngine::goBack() {
    loadCalls_.push_back({LoadCall::Kind::Back, {}, {}, {}});
    if (!canGoBack()) return;
    NavigationAction action;
    action.url = history_[static_cast<std::size_t>(historyIndex_ - 1)];
    action.type = NavigationType::BackForward;
    queueHostLoad(std::move(action), historyIndex_ - 1);
}
void FakeWebEngine::goForward() {
    loadCalls_.push_back({LoadCall::Kind::Forward, {}, {}, {}});
    if (!canGoForward()) return;
    NavigationAction action;
    action.url = history_[static_cast<std::size_t>(historyIndex_ + 1)];
    action.type = NavigationType::BackForward;
    queueHostLoad(std::move(action), historyIndex_ + 1);
}

void FakeWebEngine::evaluateScript(const std::string& script, ScriptCompletion done) {
    PendingScript pending{script, std::move(done), nullptr};
    if (loop_) {
        // The same words and the same consequence as the real engine: a page that cannot answer
        // holds its process, which is ended.
        std::weak_ptr<int> alive = alive_;
        pending.timer = loop_->scheduleOnce(limits_.scriptTimeoutSeconds, [this, alive](Timer& t) {
            if (alive.expired()) return;
            finishScript(&t, {false, {}, "the page did not answer in time and was stopped"});
            if (!alive.expired()) endWebProcess(true);
        });
    }
    pendingScripts_.push_back(std::move(pending));
}

void FakeWebEngine::finishScript(const Timer* timer, const ScriptResult& result) {
    auto it = std::find_if(pendingScripts_.begin(), pendingScripts_.end(),
                           [&](const PendingScript& p) { return p.timer.get() == timer; });
    if (it == pendingScripts_.end()) return;
    ScriptCompletion done = std::move(it->done);
    pendingScripts_.erase(it);
    if (done) done(result);
}

void FakeWebEngine::setSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width != width_ || height != height_) sizeChanged();
    width_ = width;
    height_ = height;
}

void FakeWebEngine::setScale(double scale) {
    scale = clampScale(scale);
    if (scale == scale_) return;
    scale_ = scale;
    sizeChanged();
}

void FakeWebEngine::setBackgroundColor(ui::Color color) {
    background_ = color;
    lookChanged();
}

void FakeWebEngine::setSnapshot(Image image) {
    snapshot_ = std::move(image);
    pageDrew();
}

Image FakeWebEngine::snapshot() {
    if (snapshot_.hasBitmap()) return snapshot_;
    Image image;
    image.width = static_cast<int>(std::lround(width_ * scale_));
    image.height = static_cast<int>(std::lround(height_ * scale_));
    image.content = Image::Content::RGBAPremultiplied;
    const std::uint8_t px[4] = {channel(background_.r, background_.a), channel(background_.g, background_.a),
                                channel(background_.b, background_.a), channel(1, background_.a)};
    image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4);
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) std::copy(px, px + 4, &image.pixels[i]);
    return image;
}

void FakeWebEngine::sendKeyEvent(const KeyEvent& event) {
    if (focused_ && isKnownKey(event.key)) keyEvents_.push_back(event);
}

bool FakeWebEngine::startHostLoad() {
    if (hostLoads_.empty()) return false;
    const HostLoad load = std::move(hostLoads_.front());
    hostLoads_.pop_front();
    begin(load.action, load.historyIndex);
    return true;
}

bool FakeWebEngine::navigate(const NavigationAction& action) {
    return begin(action, -1);
}

bool FakeWebEngine::begin(const NavigationAction& action, int historyIndex) {
    // Refused where it arrives, as the real engine does, before the delegate is asked.
    if (action.url.size() > kMaxNavigationURLBytes) {
        if (delegate_) delegate_->oversizedNavigationRefused(action.url.size());
        return false;
    }
    std::weak_ptr<int> alive = alive_;
    const bool allowed = decideNavigation(delegate_, action);
    if (alive.expired() || !allowed || !action.mainFrame) return allowed;
    if (loading_) {
        failLoad({"web", WebError::kCancelled, "replaced by another load", url_});
        if (alive.expired()) return allowed;
    }
    url_ = action.url;
    loadingHistoryIndex_ = action.type == NavigationType::Reload ? historyIndex_ : historyIndex;
    loading_ = true;
    processEnded_ = false;
    dialogs_ = 0;
    armLoadTimer();
    if (delegate_) delegate_->loadStarted();
    return allowed;
}

bool FakeWebEngine::navigate(const std::string& url, NavigationType type, bool userGesture) {
    NavigationAction action;
    action.url = url;
    action.type = type;
    action.userGesture = userGesture;
    return navigate(action);
}

void FakeWebEngine::armLoadTimer() {
    if (loadTimer_) loadTimer_->invalidate();
    if (!loop_) return;
    std::weak_ptr<int> alive = alive_;
    loadTimer_ = loop_->scheduleOnce(limits_.loadTimeoutSeconds, [this, alive](Timer&) {
        if (!alive.expired())
            failLoad({"web", WebError::kTimedOut, "the page did not finish loading in time", url_});
    });
}

void FakeWebEngine::finishLoad() {
    if (!loading_) return;
    loading_ = false;
    if (loadingHistoryIndex_ >= 0) {
        historyIndex_ = loadingHistoryIndex_;
    } else {
        history_.resize(static_cast<std::size_t>(historyIndex_ + 1));
        history_.push_back(url_);
        ++historyIndex_;
    }
    if (loadTimer_) loadTimer_->invalidate();
    if (delegate_) delegate_->loadFinished();
}

void FakeWebEngine::failLoad(const WebError& error) {
    if (!loading_) return;
    loading_ = false;
    if (loadTimer_) loadTimer_->invalidate();
    if (delegate_) delegate_->loadFailed(error);
}

void FakeWebEngine::endWebProcess(bool hostile) {
    std::weak_ptr<int> alive = alive_;
    while (!pendingScripts_.empty() && !alive.expired()) {
        PendingScript pending = std::move(pendingScripts_.front());
        pendingScripts_.pop_front();
        if (pending.timer) pending.timer->invalidate();
        if (pending.done) pending.done({false, {}, "the page's web process ended"});
    }
    if (alive.expired()) return;
    loading_ = false;
    processEnded_ = true;
    hostLoads_.clear();
    if (loadTimer_) loadTimer_->invalidate();
    const WebError error{"web", hostile ? WebError::kHostile : WebError::kWebProcessEnded,
                         hostile ? "the web process was ended" : "the web process crashed", url_};
    if (delegate_) delegate_->loadFailed(error);
}

void FakeWebEngine::changeContentSize(ContentSize size) {
    const auto accepted = acceptContentSize(size);
    if (!accepted || *accepted == contentSize_) return;
    contentSize_ = *accepted;
    if (delegate_) delegate_->contentSizeChanged(contentSize_);
}

DialogAnswer FakeWebEngine::openDialog(const ScriptDialog& dialog) {
    if (processEnded_) return {};
    ++dialogs_;
    if (dialogs_ > limits_.dialogsBeforeStop) {
        endWebProcess(true);
        return {};
    }
    if (dialogs_ > limits_.dialogsAnswered || !delegate_) return {};
    return delegate_->scriptDialog(dialog);
}

void FakeWebEngine::requestScript(const ScriptRequest& request, ScriptReply::Sink onAnswer) {
    ScriptReply reply(std::move(onAnswer));
    if (!responder_) return reply.decline();
    ScriptResponder responder = responder_;  // the responder may replace itself
    responder(request, reply);
}

std::optional<ScriptAnswer> FakeWebEngine::requestScript(const ScriptRequest& request) {
    auto given = std::make_shared<std::optional<ScriptAnswer>>();
    auto held = std::make_shared<bool>(true);
    requestScript(request, [given, held](const ScriptAnswer& a) {
        if (*held) *given = a;
    });
    *held = false;
    return *given;
}

bool FakeWebEngine::completeScript(const ScriptResult& result) {
    if (pendingScripts_.empty()) return false;
    PendingScript pending = std::move(pendingScripts_.front());
    pendingScripts_.pop_front();
    if (pending.timer) pending.timer->invalidate();
    if (pending.done) pending.done(result);
    return true;
}

}  // namespace platform::web
