#pragma once
// Stands in for looking classes up by name at run time: the names that travel on the wire
// (mediation adapters, custom events) map to factories registered by the code that provides
// them, each with the kinds (base classes, protocols) it answers to. Only registered names can
// be made. Safe from any thread.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace platform {

class ClassRegistry {
  public:
    using Factory = std::function<std::shared_ptr<void>()>;

    static ClassRegistry& shared();

    // Replaces an entry of the same name.
    void registerClass(const std::string& name, std::set<std::string> kinds, Factory factory);
    void unregisterClass(const std::string& name);
    bool contains(const std::string& name) const;
    bool conformsTo(const std::string& name, const std::string& kind) const;
    // Null for a name that is not registered.
    std::shared_ptr<void> create(const std::string& name) const;

  private:
    struct Entry {
        std::set<std::string> kinds;
        Factory factory;
    };
    mutable std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

}  // namespace platform
