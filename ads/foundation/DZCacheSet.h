#pragma once
// A bounded, thread-safe pool of reusable objects (the ad web views keep spare web views in one)
// that empties itself at the platform's memory warning. Additions are dropped once the pool is
// full. The pooled objects are views, which belong to the main thread: whatever the pool lets go
// of is released there.
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ads/foundation/DZRunOnMainThread.h"
#include "platform/ui/NotificationCenter.h"

template <typename T>
class DZCacheSet : public std::enable_shared_from_this<DZCacheSet<T>> {
  public:
    static std::shared_ptr<DZCacheSet> initWithMaxCapacity(uint32_t maxCapacity) {
        std::shared_ptr<DZCacheSet> set(new DZCacheSet(maxCapacity));
        std::weak_ptr<DZCacheSet> weak = set;
        set->observer_ = platform::ui::NotificationCenter::defaultCenter().addObserver(
            platform::ui::kApplicationDidReceiveMemoryWarningNotification,
            [weak](const platform::ui::Notification&) {
                if (auto self = weak.lock()) self->removeAllObjects();
            });
        return set;
    }
    // The last owner may be a worker: the pooled objects still go to the main thread.
    ~DZCacheSet() {
        platform::ui::NotificationCenter::defaultCenter().removeObserver(observer_);
        std::vector<std::shared_ptr<T>> pooled(set_.begin(), set_.end());
        set_.clear();
        releaseOnMain(std::move(pooled));
    }
    DZCacheSet(const DZCacheSet&) = delete;
    DZCacheSet& operator=(const DZCacheSet&) = delete;

    void addObject(std::shared_ptr<T> object) {
        if (!object) return;
        {
            std::lock_guard lock(mutex_);
            if (set_.size() < maxCapacity_) {
                set_.insert(std::move(object));
                return;
            }
        }
        releaseOnMain({std::move(object)});
    }
    // Takes any one object out of the pool; null when it is empty.
    std::shared_ptr<T> anyObject() {
        std::lock_guard lock(mutex_);
        if (set_.empty()) return nullptr;
        std::shared_ptr<T> taken = *set_.begin();
        set_.erase(set_.begin());
        return taken;
    }
    void removeAllObjects() {
        std::vector<std::shared_ptr<T>> removed;
        {
            std::lock_guard lock(mutex_);
            removed.assign(set_.begin(), set_.end());
            set_.clear();
        }
        releaseOnMain(std::move(removed));
    }
    uint32_t maxCapacity() const { return maxCapacity_; }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return set_.size();
    }

  private:
    explicit DZCacheSet(uint32_t maxCapacity) : maxCapacity_(maxCapacity) {}

    static void releaseOnMain(std::vector<std::shared_ptr<T>> objects) {
        for (auto& object : objects) DZReleaseOnMainThread(std::move(object));
    }

    platform::ui::NotificationCenter::Token observer_ = 0;
    // Any thread may add and take (the ad web views do it on the main thread).
    mutable std::mutex mutex_;
    std::unordered_set<std::shared_ptr<T>> set_;  // mutex_
    const uint32_t maxCapacity_;
};
