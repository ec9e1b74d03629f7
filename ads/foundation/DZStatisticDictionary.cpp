#include "ads/foundation/DZStatisticDictionary.h"

#include <cstdio>

#include "ads/foundation/DZDictionaryAdditions.h"
#include "platform/dispatch/DispatchQueue.h"

DZStatisticDictionary::DZStatisticDictionary(const std::string& label,
                                             std::weak_ptr<DZStatisticDictionaryDelegate> delegate)
    : delegate_(std::move(delegate)), serialQueue_(platform::DispatchQueue::createSerial(label)) {}

std::shared_ptr<DZStatisticDictionary> DZStatisticDictionary::initWithQueueLabel(
    const std::string& label, std::weak_ptr<DZStatisticDictionaryDelegate> delegate) {
    return std::shared_ptr<DZStatisticDictionary>(new DZStatisticDictionary(label, std::move(delegate)));
}

std::shared_ptr<DZStatisticDictionary> DZStatisticDictionary::initWithDelegate(
    std::weak_ptr<DZStatisticDictionaryDelegate> delegate) {
    return initWithQueueLabel("com.rerive.didaz.statistics", std::move(delegate));
}

std::shared_ptr<DZStatisticDictionary> DZStatisticDictionary::init() {
    return initWithDelegate({});
}

template <class F>
void DZStatisticDictionary::dispatchAsync(bool shouldNotifyDelegate, F change) {
    serialQueue_->async(
        [self = shared_from_this(), shouldNotifyDelegate, change = std::move(change)]() mutable {
            if (!self->allowDictionaryModification_) return;
            change(self->statistics_);
            if (shouldNotifyDelegate && !self->hasEnqueuedNotificationBlock_)
                self->enqueueNotificationBlock();
        });
}

void DZStatisticDictionary::enqueueNotificationBlock() {
    hasEnqueuedNotificationBlock_ = true;
    serialQueue_->async([self = shared_from_this()] {
        self->hasEnqueuedNotificationBlock_ = false;
        auto delegate = self->delegate();
        if (!delegate) return;
        auto queue = delegate->notificationQueue();
        if (!queue) return;
        queue->async([self] {
            if (auto current = self->delegate()) current->didUpdateStatisticDictionary(self);
        });
    });
}

void DZStatisticDictionary::setObjectForKey(const nlohmann::json& value, const std::string& key,
                                            bool shouldNotifyDelegate) {
    if (value.is_null()) return;
    dispatchAsync(shouldNotifyDelegate, [value, key](nlohmann::json& s) { s[key] = value; });
}

void DZStatisticDictionary::setObjectForKeyedSubscript(const nlohmann::json& value, const std::string& key) {
    setObjectForKey(value, key, false);
}

std::optional<nlohmann::json> DZStatisticDictionary::objectForKey(const std::string& key) const {
    std::optional<nlohmann::json> value;
    serialQueue_->sync([&] {
        auto it = statistics_.find(key);
        if (it != statistics_.end()) value = *it;
    });
    return value;
}

void DZStatisticDictionary::addToNumberForKey(int64_t amount, const std::string& key,
                                              bool shouldNotifyDelegate) {
    dispatchAsync(shouldNotifyDelegate, [amount, key](nlohmann::json& s) {
        auto it = s.find(key);
        if (it == s.end()) {
            s[key] = amount;
        } else if (it->is_number_integer()) {
            *it = it->get<int64_t>() + amount;
        }
    });
}

void DZStatisticDictionary::incrementNumberForKey(const std::string& key, bool shouldNotifyDelegate) {
    addToNumberForKey(1, key, shouldNotifyDelegate);
}

void DZStatisticDictionary::decrementNumberForKey(const std::string& key, bool shouldNotifyDelegate) {
    addToNumberForKey(-1, key, shouldNotifyDelegate);
}

void DZStatisticDictionary::addObjectToArrayWithKey(const nlohmann::json& object, const std::string& key,
                                                    bool shouldNotifyDelegate) {
    if (object.is_null()) return;
    dispatchAsync(shouldNotifyDelegate, [object, key](nlohmann::json& s) {
        auto it = s.find(key);
        if (it == s.end()) {
            s[key] = nlohmann::json::array({object});
        } else if (it->is_array()) {
            it->push_back(object);
        }
    });
}

nlohmann::json DZStatisticDictionary::dictionary() const {
    nlohmann::json copy;
    serialQueue_->sync([&] { copy = statistics_; });
    return copy;
}

void DZStatisticDictionary::didFinishModifying() {
    serialQueue_->sync([&] { allowDictionaryModification_ = false; });
    std::shared_ptr<platform::DispatchQueue> notices;
    serialQueue_->sync([&] {
        if (auto current = delegate()) notices = current->notificationQueue();
    });
    // Waiting on the delegate's queue from inside it would never end.
    if (notices && !notices->isCurrent()) notices->sync([] {});
    setDelegate({});
}

std::shared_ptr<DZStatisticDictionaryDelegate> DZStatisticDictionary::delegate() const {
    std::lock_guard<std::mutex> lock(delegateLock_);
    return delegate_.lock();
}

void DZStatisticDictionary::setDelegate(std::weak_ptr<DZStatisticDictionaryDelegate> delegate) {
    std::lock_guard<std::mutex> lock(delegateLock_);
    delegate_ = std::move(delegate);
}

const std::string& DZStatisticDictionary::queueLabel() const {
    return serialQueue_->label();
}

std::string DZStatisticDictionary::description() const {
    const nlohmann::json statistics = dictionary();
    char head[96];
    std::snprintf(head, sizeof head, "<DZStatisticDictionary: %p>\nqueue: ", static_cast<const void*>(this));
    auto pretty = dz_JSONStringPretty(statistics, true);
    // What JSON cannot carry (text that is not UTF-8, NaN) is shown as text of its own.
    return std::string(head) + queueLabel() +
           "\nstatistics: " + (pretty ? *pretty : dz_JSONSafeDictionary(statistics).dump(2));
}
