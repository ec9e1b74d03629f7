#include "platform/web/FakeWebEngine.h"

#include <algorithm>

namespace platform::web {

FakeWebEngine::FakeWebEngine(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {}

void FakeWebEngine::loadHTML(const std::string& html, const std::string& baseUrl) {
    loadCalls_.push_back({LoadCall::Kind::HTML, html, baseUrl, {}});
}

void FakeWebEngine::loadRequest(const WebRequest& request) {
    loadCalls_.push_back({LoadCall::Kind::Request, request.url, {}, request.headers});
}

void FakeWebEngine::stopLoading() {
    loadCalls_.push_back({LoadCall::Kind::Stop, {}, {}, {}});
    if (loading_) failLoad({"web", WebError::kCancelled, "stopped", url_});
}

void FakeWebEngine::reload() {
    loadCalls_.push_back({LoadCall::Kind::Reload, url_, {}, {}});
}
void FakeWebEngine::goBack() {
    loadCalls_.push_back({LoadCall::Kind::Back, {}, {}, {}});
}
void FakeWebEngine::goForward() {
    loadCalls_.push_back({LoadCall::Kind::Forward, {}, {}, {}});
}

void FakeWebEngine::evaluateScript(const std::string& script, ScriptCompletion done) {
    pendingScripts_.push_back({script, std::move(done)});
}

void FakeWebEngine::setSize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
}

Image FakeWebEngine::snapshot() {
    if (snapshot_.hasBitmap()) return snapshot_;
    Image image;
    image.width = width_;
    image.height = height_;
    image.content = Image::Content::RGBAPremultiplied;
    image.pixels.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4, 0);
    return image;
}

bool FakeWebEngine::navigate(const NavigationAction& action) {
    const bool allowed = decideNavigation(delegate_, action);
    if (allowed) {
        if (loading_) failLoad({"web", WebError::kCancelled, "replaced by another load", url_});
        url_ = action.url;
        loading_ = true;
        if (delegate_) delegate_->loadStarted();
    }
    return allowed;
}

bool FakeWebEngine::navigate(const std::string& url, NavigationType type, bool userGesture) {
    NavigationAction action;
    action.url = url;
    action.type = type;
    action.userGesture = userGesture;
    return navigate(action);
}

void FakeWebEngine::finishLoad() {
    if (!loading_) return;
    loading_ = false;
    if (delegate_) delegate_->loadFinished();
}

void FakeWebEngine::failLoad(const WebError& error) {
    if (!loading_) return;
    loading_ = false;
    if (delegate_) delegate_->loadFailed(error);
}

void FakeWebEngine::changeContentSize(ContentSize size) {
    if (delegate_) delegate_->contentSizeChanged(size);
}

DialogAnswer FakeWebEngine::openDialog(const ScriptDialog& dialog) {
    return delegate_ ? delegate_->scriptDialog(dialog) : DialogAnswer{};
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
    if (pending.done) pending.done(result);
    return true;
}

void FakeWebEngine::setHistory(bool canGoBack, bool canGoForward) {
    canGoBack_ = canGoBack;
    canGoForward_ = canGoForward;
}

}  // namespace platform::web
