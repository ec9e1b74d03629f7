#include "ads/foundation/DZTimingManager.h"

#include "ads/foundation/DZPropertyListJSON.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainThread.h"
#include "platform/ui/NotificationCenter.h"

using platform::ui::NotificationCenter;

DZTimingManager::DZTimingManager()
    : savingQueue_(platform::DispatchQueue::createSerial("com.rerive.didaz.timing")) {
    observer_ = NotificationCenter::defaultCenter().addObserver(
        platform::ui::kApplicationWillTerminateNotification,
        // The queue, not the manager: a notice may still arrive while the manager goes away.
        [queue = savingQueue_](const platform::ui::Notification&) { queue->sync([] {}); }, this);
}

DZTimingManager::~DZTimingManager() {
    NotificationCenter::defaultCenter().removeObserver(observer_);
    applicationWillTerminate();
}

void DZTimingManager::applicationWillTerminate() {
    savingQueue_->sync([] {});
}

void DZTimingManager::setIdentifier(const std::string& identifier) {
    ASSERT_MAIN_THREAD();
    identifier_ = identifier;
    userDefaultsKey_ = "rerive_timing_" + identifier;
    loadPersistentTimings();
}

std::optional<std::string> DZTimingManager::identifier() const {
    return identifier_;
}

std::optional<std::string> DZTimingManager::userDefaultsKey() const {
    return userDefaultsKey_;
}

void DZTimingManager::loadPersistentTimings() {
    ASSERT_MAIN_THREAD();
    if (!userDefaultsKey_) return;
    const auto stored = platform::UserDefaults::standard()->dictionaryForKey(*userDefaultsKey_);
    if (!stored) return;
    const nlohmann::json entries = DZJSONFromPlistDict(*stored);
    for (const auto& [category, representation] : entries.items()) {
        if (!representation.is_object()) continue;
        auto timing = DZTiming::initWithDictionaryRepresentation(representation);
        // Started in an earlier run and never ended: its start is on that run's clock.
        if (timing->isActive()) continue;
        timings_[category] = std::move(timing);
    }
}

void DZTimingManager::savePersistentTimings() {
    ASSERT_MAIN_THREAD();
    if (!userDefaultsKey_) return;
    // The timings themselves are shared with the queue, which reads them under their own locks.
    savingQueue_->async([key = *userDefaultsKey_, snapshot = timings_] {
        nlohmann::json entries = nlohmann::json::object();
        for (const auto& [category, timing] : snapshot)
            entries[category] = timing->dictionaryRepresentation();
        auto defaults = platform::UserDefaults::standard();
        defaults->setDictionary(key, DZPlistDictFromJSON(entries));
        defaults->synchronize();
    });
}

void DZTimingManager::addTiming(const std::shared_ptr<DZTiming>& timing) {
    ASSERT_MAIN_THREAD();
    if (timing) timings_[timing->category()] = timing;
    savePersistentTimings();
}

std::shared_ptr<DZTiming> DZTimingManager::addTimingWithCategory(const std::string& category) {
    auto timing = DZTiming::initWithCategory(category);
    addTiming(timing);
    return timing;
}

std::shared_ptr<DZTiming> DZTimingManager::timingForCategory(const std::string& category) const {
    auto it = timings_.find(category);
    return it == timings_.end() ? nullptr : it->second;
}

void DZTimingManager::removeTiming(const std::shared_ptr<DZTiming>& timing) {
    if (timing) removeTimingForCategory(timing->category());
}

void DZTimingManager::removeTimingForCategory(const std::string& category) {
    ASSERT_MAIN_THREAD();
    timings_.erase(category);
}

void DZTimingManager::removeTimingsForCategories(const std::vector<std::string>& categories) {
    ASSERT_MAIN_THREAD();
    for (const auto& category : categories) timings_.erase(category);
}

void DZTimingManager::removeAllTimings() {
    ASSERT_MAIN_THREAD();
    timings_.clear();
}

std::vector<std::shared_ptr<DZTiming>> DZTimingManager::timings() const {
    std::vector<std::shared_ptr<DZTiming>> all;
    for (const auto& [category, timing] : timings_) all.push_back(timing);
    return all;
}

std::vector<std::string> DZTimingManager::categories() const {
    std::vector<std::string> all;
    for (const auto& [category, timing] : timings_) all.push_back(category);
    return all;
}
