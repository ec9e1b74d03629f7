#include "ads/foundation/DZTiming.h"

#include <cstdio>

#include "ads/foundation/DZAbsoluteTime.h"

namespace {

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

DZTiming::DZTiming() = default;

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

nlohmann::json DZTiming::dictionaryRepresentation() const {
    std::lock_guard lock(mutex_);
    nlohmann::json representation = {
        {"category", category_}, {"start", startTimestamp_}, {"end", endTimestamp_}};
    if (!userData_.empty()) representation["userData"] = userData_;
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
    std::lock_guard lock(mutex_);
    startTimestamp_ = now;
    endTimestamp_ = 0;
}

void DZTiming::end() {
    const uint64_t now = DZAbsoluteTime::absoluteTimeInMilliseconds();
    std::lock_guard lock(mutex_);
    if (startTimestamp_ != 0) endTimestamp_ = now;
}

void DZTiming::reset() {
    std::lock_guard lock(mutex_);
    startTimestamp_ = endTimestamp_ = 0;
}

uint64_t DZTiming::startTimestamp() const {
    std::lock_guard lock(mutex_);
    return startTimestamp_;
}

uint64_t DZTiming::endTimestamp() const {
    std::lock_guard lock(mutex_);
    return endTimestamp_;
}

void DZTiming::setStartTimestamp(uint64_t value) {
    std::lock_guard lock(mutex_);
    startTimestamp_ = value;
}

void DZTiming::setEndTimestamp(uint64_t value) {
    std::lock_guard lock(mutex_);
    endTimestamp_ = value;
}

uint32_t DZTiming::elapsedMilliseconds() const {
    uint64_t elapsed = 0;
    std::lock_guard lock(mutex_);
    if (startTimestamp_ <= endTimestamp_) {
        elapsed = endTimestamp_ - startTimestamp_;
    } else if (!explicitEnd_ && endTimestamp_ == 0) {
        const uint64_t now = DZAbsoluteTime::absoluteTimeInMilliseconds();
        elapsed = now > startTimestamp_ ? now - startTimestamp_ : 0;
    }
    // An end before the start (a damaged record) counts as 0 as well.
    return static_cast<uint32_t>(elapsed);
}

std::string DZTiming::elapsedMillisecondsString() const {
    return std::to_string(elapsedMilliseconds());
}

bool DZTiming::isActive() const {
    std::lock_guard lock(mutex_);
    return startTimestamp_ != 0 && endTimestamp_ == 0;
}

void DZTiming::setValueForKey(const nlohmann::json& value, const std::string& key) {
    if (value.is_null()) return;
    std::lock_guard lock(mutex_);
    userData_[key] = value;
}

std::optional<nlohmann::json> DZTiming::valueForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto it = userData_.find(key);
    if (it == userData_.end()) return std::nullopt;
    return *it;
}

void DZTiming::removeValueForKey(const std::string& key) {
    std::lock_guard lock(mutex_);
    userData_.erase(key);
}

bool DZTiming::explicitEnd() const {
    std::lock_guard lock(mutex_);
    return explicitEnd_;
}

void DZTiming::setExplicitEnd(bool value) {
    std::lock_guard lock(mutex_);
    explicitEnd_ = value;
}
