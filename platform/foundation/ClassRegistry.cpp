#include "platform/foundation/ClassRegistry.h"

namespace platform {

ClassRegistry& ClassRegistry::shared() {
    static ClassRegistry registry;
    return registry;
}

void ClassRegistry::registerClass(const std::string& name, std::set<std::string> kinds, Factory factory) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[name] = Entry{std::move(kinds), std::move(factory)};
}

void ClassRegistry::unregisterClass(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(name);
}

bool ClassRegistry::contains(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.count(name) != 0;
}

bool ClassRegistry::conformsTo(const std::string& name, const std::string& kind) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(name);
    return it != entries_.end() && it->second.kinds.count(kind) != 0;
}

std::shared_ptr<void> ClassRegistry::create(const std::string& name) const {
    Factory factory;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = entries_.find(name);
        if (it == entries_.end() || !it->second.factory) return nullptr;
        factory = it->second.factory;
    }
    return factory();
}

}  // namespace platform
