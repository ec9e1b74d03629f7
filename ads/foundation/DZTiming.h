#pragma once
// One named measurement on the component's clock (DZAbsoluteTime): a start, an end and free user
// data. Idle (start 0), running (start set, end 0) or ended (both set). Changes are queued on
// the record's own serial queue and reads wait for them, so a read after a change on the same
// thread sees it; the clock is read on the caller's thread, before the change is queued.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace platform {
class DispatchQueue;
}

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
    // A new record from the representation: its own queue, explicitEnd false.
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

    // Runs fn on the queue later, keeping the record alive until it has run.
    template <class F>
    void change(F fn);

    std::shared_ptr<platform::DispatchQueue> lockQueue_;
    nlohmann::json userData_ = nlohmann::json::object();
    bool explicitEnd_ = false;
    std::string category_;
    uint64_t startTimestamp_ = 0;
    uint64_t endTimestamp_ = 0;
};
