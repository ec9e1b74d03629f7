#include "platform/ui/NotificationCenter.h"

#include <algorithm>

namespace platform::ui {

NotificationCenter::Token NotificationCenter::addObserver(const std::string& name, Handler handler,
                                                          const void* owner) {
    const Token t = next_++;
    observers_.push_back({t, name, std::move(handler), owner});
    return t;
}

void NotificationCenter::removeObserver(Token token) {
    std::erase_if(observers_, [token](const Observer& o) { return o.token == token; });
}

void NotificationCenter::removeObserversOf(const void* owner) {
    if (!owner) return;
    std::erase_if(observers_, [owner](const Observer& o) { return o.owner == owner; });
}

std::size_t NotificationCenter::observerCount(const std::string& name) const {
    return static_cast<std::size_t>(std::count_if(observers_.begin(), observers_.end(),
                                                  [&](const Observer& o) { return o.name == name; }));
}

void NotificationCenter::post(const std::string& name, const void* object) {
    std::vector<Token> due;
    for (const auto& o : observers_) {
        if (o.name == name) due.push_back(o.token);
    }
    const Notification n{name, object};
    for (Token t : due) {
        // Skip observers removed by an earlier handler of this same post.
        auto it = std::find_if(observers_.begin(), observers_.end(),
                               [t](const Observer& o) { return o.token == t; });
        if (it == observers_.end()) continue;
        Handler h = it->handler;  // the handler may remove itself while running
        h(n);
    }
}

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

}  // namespace platform::ui
