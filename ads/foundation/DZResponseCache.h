#pragma once
// The process-wide memory cache of the URL connection, standing in for the platform's memory
// cache object: safe from any thread, at most a fixed number of entries (the least recently used
// goes first), and emptied when the system is short of memory.
#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

class DZCachedURLResponse;

class DZResponseCache {
  public:
    explicit DZResponseCache(std::size_t countLimit) : countLimit_(countLimit) {}

    std::shared_ptr<DZCachedURLResponse> objectForKey(const std::string& key);
    void setObject(const std::string& key, std::shared_ptr<DZCachedURLResponse> value);
    void removeObjectForKey(const std::string& key);
    void removeAllObjects();
    std::size_t count() const;
    std::size_t countLimit() const { return countLimit_; }

  private:
    using Order = std::list<std::string>;  // most recently used first
    struct Slot {
        std::shared_ptr<DZCachedURLResponse> value;
        Order::iterator position;
    };

    const std::size_t countLimit_;
    mutable std::mutex mutex_;
    Order order_;
    std::unordered_map<std::string, Slot> slots_;
};
