#pragma once
// Follows one click or tracking URL through all its HTTP redirects, so every tracking server in
// the chain sees the hit, without showing anything. The chain ends at a 200 or 304 (reported
// with the last URL requested) or at the first redirect to another scheme such as an app store
// link (reported with that URL); any other answer or a network error is a failure, and so is a
// hop its check refuses, on which nothing is sent. Each tracker holds a background task while it
// works. Main thread only.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/DZCachedFile.h"
#include "platform/http/HttpMessage.h"
#include "platform/ui/BackgroundTasks.h"

class DZClickTracker;

class DZClickTrackerDelegate {
  public:
    virtual ~DZClickTrackerDelegate() = default;
    virtual void trackerDidRedirect(DZClickTracker& tracker, const std::string& url) {}
    virtual void trackerDidFailWithError(DZClickTracker& tracker, platform::ErrorRef error) {}
};

class DZClickTracker : public DZCachedFileDelegate, public std::enable_shared_from_this<DZClickTracker> {
  public:
    static std::shared_ptr<DZClickTracker> create();
    // Stops the fetch and deletes its file.
    ~DZClickTracker() override;
    DZClickTracker(const DZClickTracker&) = delete;
    DZClickTracker& operator=(const DZClickTracker&) = delete;

    // What each hop of the chain must pass. `url`, on the main thread, decides on a web URL, the
    // first one and every redirect, before it is requested. `connected`, on the HTTP engine's
    // thread (platform::HttpRequest::connectCheck), decides on each hop once its connection is
    // made, before anything is sent on it; a hop it refuses ends the chain, and `refused` hears so
    // on the main thread.
    struct HopCheck {
        std::function<bool(const std::string& url)> url;
        std::function<bool(const platform::HttpConnectedHop& hop)> connected;
        std::function<void()> refused;
        explicit operator bool() const { return url || connected; }
    };

    // Starts over with url (nothing more for an empty one).
    void trackURL(const std::string& url);
    // Forgets the fetch (stopped, file deleted) and the outcome; ends the background task.
    void reset();
    void beginBackgroundTask();
    void endBackgroundTask();

    std::shared_ptr<DZClickTrackerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<DZClickTrackerDelegate> delegate) { delegate_ = std::move(delegate); }
    bool hasTracked() const { return hasTracked_; }
    bool isCacheEnabled() const { return cacheEnabled_; }
    void setCacheEnabled(bool enabled) { cacheEnabled_ = enabled; }
    void setHopCheck(HopCheck check) { hopCheck_ = std::move(check); }
    platform::BackgroundTaskId backgroundTaskID() const { return backgroundTaskID_; }
    const std::shared_ptr<DZCachedFile>& cachedFile() const { return tracker_; }

    // DZCachedFileDelegate
    platform::ErrorRef cachedFileShouldRedirectToURL(DZCachedFile& file, const std::string& url) override;
    void cachedFileDownloadDidEnd(DZCachedFile& file) override;
    void cachedFileDownloadDidFail(DZCachedFile& file, platform::ErrorRef error) override;

  private:
    DZClickTracker() = default;
    void dropFile();

    platform::BackgroundTaskId backgroundTaskID_ = platform::kInvalidBackgroundTask;
    std::shared_ptr<DZCachedFile> tracker_;
    bool hasTracked_ = false;
    bool cacheEnabled_ = true;
    HopCheck hopCheck_;
    // Whether the current fetch's connect check refused a hop.
    std::shared_ptr<std::atomic<bool>> connectRefused_;
    std::weak_ptr<DZClickTrackerDelegate> delegate_;
};
