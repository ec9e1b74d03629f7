#include "ads/foundation/DZResponseCache.h"

std::shared_ptr<DZCachedURLResponse> DZResponseCache::objectForKey(const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
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
    std::lock_guard<std::mutex> lock(mutex_);
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
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = slots_.find(key); it != slots_.end()) {
        order_.erase(it->second.position);
        slots_.erase(it);
    }
}

void DZResponseCache::removeAllObjects() {
    std::lock_guard<std::mutex> lock(mutex_);
    slots_.clear();
    order_.clear();
}

std::size_t DZResponseCache::count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return slots_.size();
}
