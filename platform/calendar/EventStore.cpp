#include "platform/calendar/EventStore.h"

#include <mutex>

namespace platform::calendar {

namespace {

std::mutex sharedMutex;

std::shared_ptr<EventStore>& installed() {
    static std::shared_ptr<EventStore> store;
    return store;
}

}  // namespace

EventStore& EventStore::shared() {
    return *sharedStore();
}

std::shared_ptr<EventStore> EventStore::sharedStore() {
    std::lock_guard<std::mutex> lock(sharedMutex);
    auto& store = installed();
    if (!store) store = std::make_shared<EventStore>();
    return store;
}

std::shared_ptr<EventStore> EventStore::setShared(std::shared_ptr<EventStore> store) {
    std::lock_guard<std::mutex> lock(sharedMutex);
    auto previous = std::move(installed());
    installed() = std::move(store);
    return previous;
}

}  // namespace platform::calendar
