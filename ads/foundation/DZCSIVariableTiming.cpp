#include "ads/foundation/DZCSIVariableTiming.h"

#include "platform/ui/NotificationCenter.h"

using platform::ui::NotificationCenter;

std::shared_ptr<DZCSIVariableTiming> DZCSIVariableTiming::initWithName(const std::string& name,
                                                                       double startTime) {
    std::shared_ptr<DZCSIVariableTiming> variable(new DZCSIVariableTiming(name, startTime));
    std::weak_ptr<DZCSIVariableTiming> weak = variable;
    variable->observer_ = NotificationCenter::defaultCenter().addObserver(
        platform::ui::kApplicationWillResignActiveNotification, [weak](const platform::ui::Notification&) {
            if (auto self = weak.lock()) self->resigningActive();
        });
    return variable;
}

DZCSIVariableTiming::~DZCSIVariableTiming() {
    NotificationCenter::defaultCenter().removeObserver(observer_);
}

void DZCSIVariableTiming::resigningActive() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (length_ < 0) start_ = -1.0;
}

bool DZCSIVariableTiming::isValid() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return start_ > 0 && length_ > 0;
}

double DZCSIVariableTiming::start() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return start_;
}

double DZCSIVariableTiming::length() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return length_;
}

void DZCSIVariableTiming::setLength(double length) {
    std::lock_guard<std::mutex> lock(mutex_);
    length_ = length;
}
