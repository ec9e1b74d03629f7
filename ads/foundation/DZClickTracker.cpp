#include "ads/foundation/DZClickTracker.h"

#include <atomic>

#include "platform/http/HttpUrl.h"

namespace {

platform::ErrorRef refusedHop() {
    return std::make_shared<platform::Error>("com.rerive.ads", 0);
}

}  // namespace

std::shared_ptr<DZClickTracker> DZClickTracker::create() {
    return std::shared_ptr<DZClickTracker>(new DZClickTracker());
}

DZClickTracker::~DZClickTracker() {
    dropFile();
    endBackgroundTask();
}

void DZClickTracker::dropFile() {
    if (!tracker_) return;
    tracker_->setDelegate({});
    tracker_->invalidate();
    tracker_.reset();
}

void DZClickTracker::reset() {
    hasTracked_ = false;
    connectRefused_.reset();
    dropFile();
    endBackgroundTask();
}

void DZClickTracker::trackURL(const std::string& url) {
    reset();
    if (url.empty()) return;
    beginBackgroundTask();
    if (hopCheck_.url && !hopCheck_.url(url)) {
        hasTracked_ = true;
        auto keep = shared_from_this();
        if (auto d = delegate()) d->trackerDidFailWithError(*this, refusedHop());
        endBackgroundTask();
        return;
    }
    tracker_ = DZCachedFile::initWithURL(url);
    tracker_->setDelegate(weak_from_this());
    if (hopCheck_.connected) {
        // Said on the engine's thread; read here once the fetch has failed.
        auto refused = std::make_shared<std::atomic<bool>>(false);
        connectRefused_ = refused;
        tracker_->setConnectCheck(
            [check = hopCheck_.connected, refused](const platform::HttpConnectedHop& hop) {
                if (check(hop)) return true;
                *refused = true;
                return false;
            });
    }
    if (!cacheEnabled_) tracker_->setCachePolicy(DZCachedFile::kReloadIgnoringLocalCacheData);
    tracker_->validate();
}

void DZClickTracker::beginBackgroundTask() {
    // The handler keeps the tracker alive until the task ends.
    auto self = shared_from_this();
    backgroundTaskID_ = platform::BackgroundTasks::shared().begin([self] {
        self->backgroundTaskID_ = platform::kInvalidBackgroundTask;
        self->reset();
    });
}

void DZClickTracker::endBackgroundTask() {
    if (backgroundTaskID_ == platform::kInvalidBackgroundTask) return;
    platform::BackgroundTaskId id = backgroundTaskID_;
    backgroundTaskID_ = platform::kInvalidBackgroundTask;
    platform::BackgroundTasks::shared().end(id);
}

platform::ErrorRef DZClickTracker::cachedFileShouldRedirectToURL(DZCachedFile& file, const std::string& url) {
    auto scheme = platform::urlScheme(url);
    if (scheme && scheme->starts_with("http")) {
        // Decided before the hop is requested: a refused one is never sent.
        if (hopCheck_.url && !hopCheck_.url(url)) return refusedHop();
        return nullptr;
    }
    // Another scheme (an app store link, a custom scheme) is where the chain ends.
    cachedFileDownloadDidEnd(file);
    return std::make_shared<platform::Error>("com.rerive.ads", 0);
}

void DZClickTracker::cachedFileDownloadDidEnd(DZCachedFile& file) {
    if (hasTracked_) return;
    hasTracked_ = true;
    auto keep = shared_from_this();
    if (auto d = delegate()) d->trackerDidRedirect(*this, file.HTTPDestinationURL());
    endBackgroundTask();
}

void DZClickTracker::cachedFileDownloadDidFail(DZCachedFile& file, platform::ErrorRef error) {
    if (hasTracked_) return;
    hasTracked_ = true;
    auto keep = shared_from_this();
    if (connectRefused_ && *connectRefused_ && hopCheck_.refused) hopCheck_.refused();
    if (auto d = delegate()) d->trackerDidFailWithError(*this, error);
    endBackgroundTask();
}
