#include "platform/ui/NotificationCenter.h"

#include <algorithm>

namespace platform::ui {

NotificationCenter::Token NotificationCenter::addObserver(const std::string& name, Handler handler,
                                                          const void* owner) {
    std::lock_guard lock(mutex_);
    const Token t = next_++;
    observers_.push_back({t, name, std::move(handler), owner});
    return t;
}

void NotificationCenter::removeObserver(Token token) {
    Handler released;  // destroyed after the lock is let go: it may own objects that remove observers
    std::lock_guard lock(mutex_);
    auto it = std::find_if(observers_.begin(), observers_.end(),
                           [token](const Observer& o) { return o.token == token; });
    if (it == observers_.end()) return;
    released = std::move(it->handler);
    observers_.erase(it);
}

void NotificationCenter::removeObserversOf(const void* owner) {
    if (!owner) return;
    std::vector<Handler> released;
    std::lock_guard lock(mutex_);
    for (auto& o : observers_) {
        if (o.owner == owner) released.push_back(std::move(o.handler));
    }
    std::erase_if(observers_, [owner](const Observer& o) { return o.owner == owner; });
}

std::size_t NotificationCenter::observerCount(const std::string& name) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(observers_.begin(), observers_.end(),
                                                  [&](const Observer& o) { return o.name == name; }));
}

void NotificationCenter::post(const std::string& name, const void* object) {
    std::vector<Token> due;
    {
        std::lock_guard lock(mutex_);
        for (const auto& o : observers_) {
            if (o.name == name) due.push_back(o.token);
        }
    }
    const Notification n{name, object};
    for (Token t : due) {
        Handler h;
        {
            // Skip observers removed by an earlier handler of this same post.
            std::lock_guard lock(mutex_);
            auto it = std::find_if(observers_.begin(), observers_.end(),
                                   [t](const Observer& o) { return o.token == t; });
            if (it == observers_.end()) continue;
            h = it->handler;  // a copy: the handler may remove itself while running
        }
        h(n);
    }
}

NotificationCenter& NotificationCenter::defaultCenter() {
    // Never destroyed: stores on worker threads may still remove their observers during exit.
    static NotificationCenter* center = new NotificationCenter();
    return *center;
}

}  // namespace platform::ui
