#include "ads/foundation/DZLocation.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>

namespace {

constexpr float kEpsilon = 1.1920929e-7f;

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

int32_t scaled(float degrees) {
    const double value = std::trunc(static_cast<double>(degrees) * 10000000.0);
    return static_cast<int32_t>(value);
}

// The representation a precise location travels as, stamped with the given time.
nlohmann::json representationOf(float latitude, float longitude, float accuracy, double timestamp) {
    return {{"time", timestamp * 1000000.0},
            {"lat", scaled(latitude)},
            {"long", scaled(longitude)},
            {"radius", static_cast<double>(accuracy) * 1000.0}};
}

}  // namespace

std::optional<DZLocation> DZLocation::initWithLatitude(float latitude, float longitude, float accuracy) {
    DZLocation location;
    location.latitude_ = latitude;
    location.longitude_ = longitude;
    location.accuracy_ = accuracy;
    location.timestamp_ = nowSeconds();
    if (!location.isPreciseLocation()) return std::nullopt;
    return location;
}

std::optional<DZLocation> DZLocation::initWithLocationDescription(const std::string& description) {
    if (description.empty()) return std::nullopt;
    DZLocation location;
    location.description_ = description;
    location.timestamp_ = nowSeconds();
    return location;
}

bool DZLocation::isPreciseLocation() const {
    // Latitude 90 and longitude 180 are both in range; NaN fails every comparison.
    return std::fabs(latitude_) <= 90.0f && std::fabs(longitude_) <= 180.0f &&
           std::fabs(latitude_) > kEpsilon && std::fabs(longitude_) > kEpsilon;
}

std::string DZLocation::locationDescription() const {
    if (description_) return *description_;
    if (!isPreciseLocation()) return "";
    char text[64];
    std::snprintf(text, sizeof text, "%f,%f", static_cast<double>(latitude_),
                  static_cast<double>(longitude_));
    return text;
}

DZLocation::DZLocation(const DZLocation& other)
    : latitude_(other.latitude_),
      longitude_(other.longitude_),
      accuracy_(other.accuracy_),
      description_(other.description_),
      timestamp_(other.timestamp_) {
    std::lock_guard lock(other.representationMutex_);
    representation_ = other.representation_;
}

DZLocation& DZLocation::operator=(const DZLocation& other) {
    if (this == &other) return *this;
    std::optional<nlohmann::json> representation;
    {
        std::lock_guard lock(other.representationMutex_);
        representation = other.representation_;
    }
    latitude_ = other.latitude_;
    longitude_ = other.longitude_;
    accuracy_ = other.accuracy_;
    description_ = other.description_;
    timestamp_ = other.timestamp_;
    std::lock_guard lock(representationMutex_);
    representation_ = std::move(representation);
    return *this;
}

std::optional<nlohmann::json> DZLocation::dictionaryRepresentation() const {
    std::lock_guard lock(representationMutex_);
    if (representation_) return representation_;
    if (!isPreciseLocation()) return std::nullopt;
    representation_ = representationOf(latitude_, longitude_, accuracy_, timestamp_);
    return representation_;
}

void DZLocation::setDictionaryRepresentation(const nlohmann::json& representation) {
    std::lock_guard lock(representationMutex_);
    representation_ = representation;
}

bool DZLocation::isEqual(const DZLocation& other) const {
    if (this == &other) return true;
    if (isPreciseLocation() != other.isPreciseLocation()) return false;
    if (isPreciseLocation()) {
        return std::fabs(latitude_ - other.latitude_) < kEpsilon &&
               std::fabs(longitude_ - other.longitude_) < kEpsilon &&
               std::fabs(accuracy_ - other.accuracy_) < kEpsilon;
    }
    return locationDescription() == other.locationDescription();
}

std::size_t DZLocation::hash() const {
    // Precise locations are equal within a tolerance, which no finer hash can respect (two
    // equal locations may sit on either side of any grid line), so they all share one hash.
    // The time, which equality ignores, is never part of it.
    if (isPreciseLocation()) return 0x9e3779b9u;
    return std::hash<std::string>()(locationDescription());
}
