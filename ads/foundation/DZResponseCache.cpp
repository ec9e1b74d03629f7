#include "ads/foundation/DZResponseCache.h"

#include "platform/dispatch/MainThread.h"

std::shared_ptr<DZCachedURLResponse> DZResponseCache::objectForKey(const std::string& key) {
    // A look-up moves the entry to the front: it changes the cache too.
    ASSERT_MAIN_THREAD();
    auto it = slots_.find(key);
    if (it == slots_.end()) return nullptr;
    order_.splice(order_.begin(), order_, it->second.position);
    return it->second.value;
}

void DZResponseCache::setObject(const std::string& key, std::shared_ptr<DZCachedURLResponse> value) {
    if (!value) {
        removeObjectForKey(key);
        return;
    }
    ASSERT_MAIN_THREAD();
    if (auto it = slots_.find(key); it != slots_.end()) {
        it->second.value = std::move(value);
        order_.splice(order_.begin(), order_, it->second.position);
        return;
    }
    order_.push_front(key);
    slots_.emplace(key, Slot{std::move(value), order_.begin()});
    while (countLimit_ > 0 && slots_.size() > countLimit_) {
        slots_.erase(order_.back());
        order_.pop_back();
    }
}

void DZResponseCache::removeObjectForKey(const std::string& key) {
    ASSERT_MAIN_THREAD();
    if (auto it = slots_.find(key); it != slots_.end()) {
        order_.erase(it->second.position);
        slots_.erase(it);
    }
}

void DZResponseCache::removeAllObjects() {
    ASSERT_MAIN_THREAD();
    slots_.clear();
    order_.clear();
}

std::size_t DZResponseCache::count() const {
    return slots_.size();
}
