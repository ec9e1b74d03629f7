#pragma once
// The process-wide memory cache of the URL connection, standing in for the platform's memory
// cache object: at most a fixed number of entries (the least recently used goes first), emptied
// when the system is short of memory. It lives on the main thread, as the connections and the
// memory warning do: it takes no lock, and its entry points assert the thread.
#include <cstddef>
#include <list>
#include <memory>
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
    Order order_;
    std::unordered_map<std::string, Slot> slots_;
};
