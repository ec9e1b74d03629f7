#pragma once
// One named measurement on the component's clock (DZAbsoluteTime): a start, an end and free user
// data. Idle (start 0), running (start set, end 0) or ended (both set). The clock is read on the
// caller's thread.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

class DZTiming : public std::enable_shared_from_this<DZTiming> {
  public:
    // Nothing for the category gives "DZTiming (0x...)" of the record's address.
    static std::shared_ptr<DZTiming> initWithCategory(const std::optional<std::string>& category);
    static std::shared_ptr<DZTiming> init() { return initWithCategory(std::nullopt); }
    // The form of dictionaryRepresentation(); absent start or end count as 0.
    static std::shared_ptr<DZTiming> initWithDictionaryRepresentation(const nlohmann::json& representation);
    DZTiming(const DZTiming&) = delete;
    DZTiming& operator=(const DZTiming&) = delete;

    // {"category", "start", "end", "userData" (only when it holds an entry)}; explicitEnd is not
    // part of it.
    nlohmann::json dictionaryRepresentation() const;
    // "DZTiming (0x...): {...}".
    std::string description() const;
    // A new record from the representation, explicitEnd false.
    std::shared_ptr<DZTiming> copy() const;

    void start();
    // Only a started record ends.
    void end();
    void reset();

    uint64_t startTimestamp() const;
    uint64_t endTimestamp() const;
    void setStartTimestamp(uint64_t value);
    void setEndTimestamp(uint64_t value);

    // Ended: end - start. Running: the time since start, or 0 with an explicit end. A start
    // later than the clock (a record from another run) gives 0, never a wrapped-around value.
    // Truncated to 32 bits.
    uint32_t elapsedMilliseconds() const;
    std::string elapsedMillisecondsString() const;
    bool isActive() const;

    // Ignored when the value is null.
    void setValueForKey(const nlohmann::json& value, const std::string& key);
    std::optional<nlohmann::json> valueForKey(const std::string& key) const;
    void removeValueForKey(const std::string& key);

    const std::string& category() const { return category_; }
    bool explicitEnd() const;
    void setExplicitEnd(bool value);

  private:
    DZTiming();

    // Set once, before the record is shared.
    std::string category_;
    // Changed where the ad unit is measured, read as well by the timing manager's saving queue.
    mutable std::mutex mutex_;
    nlohmann::json userData_ = nlohmann::json::object();  // mutex_
    bool explicitEnd_ = false;                            // mutex_
    uint64_t startTimestamp_ = 0;                         // mutex_
    uint64_t endTimestamp_ = 0;                           // mutex_
};
