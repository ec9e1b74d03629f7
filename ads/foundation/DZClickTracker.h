#pragma once
// Follows one click or tracking URL through all its HTTP redirects, so every tracking server in
// the chain sees the hit, without showing anything. The chain ends at a 200 or 304 (reported
// with the last URL requested) or at the first redirect to another scheme such as an app store
// link (reported with that URL); any other answer or a network error is a failure, and so is a
// hop its check refuses, which is never requested. Each tracker holds a background task while it
// works. Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/DZCachedFile.h"
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

    // Whether a web URL may be requested, asked of the first one and of every redirect before
    // it is followed.
    using HopCheck = std::function<bool(const std::string& url)>;

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
    std::weak_ptr<DZClickTrackerDelegate> delegate_;
};
