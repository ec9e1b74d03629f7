#pragma once
// The location a publisher may give with an ad request: coordinates, or free text. It travels
// as a short text and, when precise, as a dictionary of scaled integers. Immutable apart from its
// timestamp and its cached forms; const readers may share one location across threads. Two locations are
// equal, and hash alike, by what they say (coordinates or text), never by when they were made.
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

class DZLocation {
  public:
    // Nothing unless the coordinates are precise.
    static std::optional<DZLocation> initWithLatitude(float latitude, float longitude, float accuracy);
    // Nothing for an empty text.
    static std::optional<DZLocation> initWithLocationDescription(const std::string& description);

    // Within the globe's ranges, and off the equator and the prime meridian (a zero coordinate
    // is taken for "unknown").
    bool isPreciseLocation() const;
    // The text given; else "%f,%f" of a precise location; else "".
    std::string locationDescription() const;
    void setLocationDescription(const std::string& description) { description_ = description; }
    // {"time": µs since 1970, "lat", "long": degrees × 10^7, "radius": metres × 1000}; nothing
    // for a location that is not precise (unless one was set).
    std::optional<nlohmann::json> dictionaryRepresentation() const;
    void setDictionaryRepresentation(const nlohmann::json& representation);

    bool isEqual(const DZLocation& other) const;
    bool operator==(const DZLocation& other) const { return isEqual(other); }
    std::size_t hash() const;

    float latitude() const { return latitude_; }
    float longitude() const { return longitude_; }
    float accuracy() const { return accuracy_; }
    // Seconds since 1970-01-01 UTC.
    double timestamp() const { return timestamp_; }
    void setTimestamp(double timestamp) { timestamp_ = timestamp; }

    DZLocation(const DZLocation& other);
    DZLocation& operator=(const DZLocation& other);

  private:
    DZLocation() = default;

    float latitude_ = 0;
    float longitude_ = 0;
    float accuracy_ = 0;
    std::optional<std::string> description_;
    // Built on first use by a const reader, which may be on any thread (request building reads it
    // on worker queues): guarded.
    mutable std::mutex representationMutex_;
    mutable std::optional<nlohmann::json> representation_;
    double timestamp_ = 0;
};
