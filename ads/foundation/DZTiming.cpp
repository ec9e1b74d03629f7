#include "ads/foundation/DZTiming.h"

#include <cstdio>

#include "ads/foundation/DZAbsoluteTime.h"
#include "platform/dispatch/DispatchQueue.h"

namespace {

constexpr const char* kQueueLabel = "com.rerive.didaz.timing";

uint64_t unsignedValue(const nlohmann::json& representation, const char* key) {
    auto it = representation.find(key);
    if (it == representation.end()) return 0;
    if (it->is_number_unsigned()) return it->get<uint64_t>();
    if (it->is_number_integer()) return static_cast<uint64_t>(it->get<int64_t>());
    if (it->is_number_float() && it->get<double>() >= 0) return static_cast<uint64_t>(it->get<double>());
    return 0;
}

std::string addressText(const void* p) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

}  // namespace

DZTiming::DZTiming() : lockQueue_(platform::DispatchQueue::createSerial(kQueueLabel)) {}

std::shared_ptr<DZTiming> DZTiming::initWithCategory(const std::optional<std::string>& category) {
    std::shared_ptr<DZTiming> timing(new DZTiming());
    timing->category_ = category ? *category : "DZTiming (" + addressText(timing.get()) + ")";
    return timing;
}

std::shared_ptr<DZTiming> DZTiming::initWithDictionaryRepresentation(const nlohmann::json& representation) {
    std::optional<std::string> category;
    if (representation.is_object()) {
        auto it = representation.find("category");
        if (it != representation.end() && it->is_string()) category = it->get<std::string>();
    }
    auto timing = initWithCategory(category);
    if (!representation.is_object()) return timing;
    timing->startTimestamp_ = unsignedValue(representation, "start");
    timing->endTimestamp_ = unsignedValue(representation, "end");
    auto data = representation.find("userData");
    if (data != representation.end() && data->is_object()) timing->userData_ = *data;
    return timing;
}

template <class F>
void DZTiming::change(F fn) {
    lockQueue_->async([self = shared_from_this(), fn = std::move(fn)]() mutable { fn(*self); });
}

nlohmann::json DZTiming::dictionaryRepresentation() const {
    nlohmann::json representation;
    lockQueue_->sync([&] {
        representation = {{"category", category_}, {"start", startTimestamp_}, {"end", endTimestamp_}};
        if (!userData_.empty()) representation["userData"] = userData_;
    });
    return representation;
}

std::string DZTiming::description() const {
    return "DZTiming (" + addressText(this) + "): " + dictionaryRepresentation().dump();
}

std::shared_ptr<DZTiming> DZTiming::copy() const {
    return initWithDictionaryRepresentation(dictionaryRepresentation());
}

void DZTiming::start() {
    const uint64_t now = DZAbsoluteTime::absoluteTimeInMilliseconds();
    change([now](DZTiming& t) {
        t.startTimestamp_ = now;
        t.endTimestamp_ = 0;
    });
}

void DZTiming::end() {
    const uint64_t now = DZAbsoluteTime::absoluteTimeInMilliseconds();
    change([now](DZTiming& t) {
        if (t.startTimestamp_ != 0) t.endTimestamp_ = now;
    });
}

void DZTiming::reset() {
    change([](DZTiming& t) { t.startTimestamp_ = t.endTimestamp_ = 0; });
}

uint64_t DZTiming::startTimestamp() const {
    uint64_t value = 0;
    lockQueue_->sync([&] { value = startTimestamp_; });
    return value;
}

uint64_t DZTiming::endTimestamp() const {
    uint64_t value = 0;
    lockQueue_->sync([&] { value = endTimestamp_; });
    return value;
}

void DZTiming::setStartTimestamp(uint64_t value) {
    change([value](DZTiming& t) { t.startTimestamp_ = value; });
}

void DZTiming::setEndTimestamp(uint64_t value) {
    change([value](DZTiming& t) { t.endTimestamp_ = value; });
}

uint32_t DZTiming::elapsedMilliseconds() const {
    uint64_t elapsed = 0;
    lockQueue_->sync([&] {
        if (startTimestamp_ <= endTimestamp_) {
            elapsed = endTimestamp_ - startTimestamp_;
        } else if (!explicitEnd_ && endTimestamp_ == 0) {
            const uint64_t now = DZAbsoluteTime::absoluteTimeInMilliseconds();
            elapsed = now > startTimestamp_ ? now - startTimestamp_ : 0;
        }
        // An end before the start (a damaged record) counts as 0 as well.
    });
    return static_cast<uint32_t>(elapsed);
}

std::string DZTiming::elapsedMillisecondsString() const {
    return std::to_string(elapsedMilliseconds());
}

bool DZTiming::isActive() const {
    bool active = false;
    lockQueue_->sync([&] { active = startTimestamp_ != 0 && endTimestamp_ == 0; });
    return active;
}

void DZTiming::setValueForKey(const nlohmann::json& value, const std::string& key) {
    if (value.is_null()) return;
    change([value, key](DZTiming& t) { t.userData_[key] = value; });
}

std::optional<nlohmann::json> DZTiming::valueForKey(const std::string& key) const {
    std::optional<nlohmann::json> value;
    lockQueue_->sync([&] {
        auto it = userData_.find(key);
        if (it != userData_.end()) value = *it;
    });
    return value;
}

void DZTiming::removeValueForKey(const std::string& key) {
    change([key](DZTiming& t) { t.userData_.erase(key); });
}

bool DZTiming::explicitEnd() const {
    bool value = false;
    lockQueue_->sync([&] { value = explicitEnd_; });
    return value;
}

void DZTiming::setExplicitEnd(bool value) {
    change([value](DZTiming& t) { t.explicitEnd_ = value; });
}
