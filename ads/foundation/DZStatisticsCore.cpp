#include "ads/foundation/DZStatisticsCore.h"

#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/NotificationCenter.h"

using platform::ui::NotificationCenter;

DZStatisticsCore::DZStatisticsCore()
    : lockQueue_(platform::DispatchQueue::createSerial("com.rerive.didaz.statistics")) {}

std::shared_ptr<DZStatisticsCore> DZStatisticsCore::init() {
    std::shared_ptr<DZStatisticsCore> core(new DZStatisticsCore());
    core->observer_ = NotificationCenter::defaultCenter().addObserver(
        platform::ui::kApplicationWillTerminateNotification,
        [queue = core->lockQueue_](const platform::ui::Notification&) { queue->sync([] {}); }, core.get());
    return core;
}

DZStatisticsCore::~DZStatisticsCore() {
    NotificationCenter::defaultCenter().removeObserver(observer_);
}

void DZStatisticsCore::applicationWillTerminate() {
    lockQueue_->sync([] {});
}

void DZStatisticsCore::setIdentifier(const std::string& identifier) {
    std::optional<std::string> key;
    if (!identifier.empty()) key = "rerive_stats_" + identifier;
    lockQueue_->async([self = shared_from_this(), key] {
        if (key == self->userDefaultsKey_) return;
        self->userDefaultsKey_ = key;
        if (!key) return;
        const auto stored = platform::UserDefaults::standard()->dictionaryForKey(*key);
        if (!stored) return;
        for (const std::string& name : stored->keys()) {
            const auto list = stored->getArray(name);
            if (!list) continue;
            std::vector<std::string> strings;
            for (size_t i = 0; i < list->size(); ++i) {
                if (auto text = list->getString(i)) strings.push_back(*text);
            }
            self->statistics_[name] = std::move(strings);
        }
    });
}

std::optional<std::vector<std::string>> DZStatisticsCore::arrayForKey(const std::string& key) const {
    std::optional<std::vector<std::string>> value;
    lockQueue_->sync([&] {
        auto it = statistics_.find(key);
        if (it != statistics_.end()) value = it->second;
    });
    return value;
}

void DZStatisticsCore::appendStringToArrayForKey(const std::string& string, const std::string& key) {
    lockQueue_->async([self = shared_from_this(), string, key] {
        self->statistics_[key].push_back(string);
        self->savePersistentStatistics();
    });
}

void DZStatisticsCore::removeObjectForKey(const std::string& key) {
    lockQueue_->async([self = shared_from_this(), key] {
        self->statistics_.erase(key);
        self->savePersistentStatistics();
    });
}

void DZStatisticsCore::savePersistentStatistics() {
    if (!userDefaultsKey_) return;
    platform::PlistDict dict;
    for (const auto& [name, strings] : statistics_) {
        platform::PlistArray list;
        for (const auto& text : strings) list.appendString(text);
        dict.setArray(name, std::move(list));
    }
    auto defaults = platform::UserDefaults::standard();
    defaults->setDictionary(*userDefaultsKey_, std::move(dict));
    defaults->synchronize();
}
