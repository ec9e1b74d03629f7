#pragma once
// A thread-safe dictionary of request statistics (counters, clock readings, texts, lists) that
// any thread may change. Changes are queued in order on the dictionary's serial queue and
// return at once; reads wait for everything queued before them. A change may ask to tell the
// delegate: all such changes queued before the notice starts fold into one notice, delivered on
// the delegate's own notification queue (never on the dictionary's).
//
// Values are JSON values; counters are JSON integers, which keep them exact. A null value is
// ignored. Once modification is finished, changes are dropped and reads still answer.
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace platform {
class DispatchQueue;
}

class DZStatisticDictionary;

class DZStatisticDictionaryDelegate {
  public:
    virtual ~DZStatisticDictionaryDelegate() = default;
    // Null: the delegate wants no notices.
    virtual std::shared_ptr<platform::DispatchQueue> notificationQueue() = 0;
    virtual void didUpdateStatisticDictionary(const std::shared_ptr<DZStatisticDictionary>& dictionary) = 0;
};

class DZStatisticDictionary : public std::enable_shared_from_this<DZStatisticDictionary> {
  public:
    static std::shared_ptr<DZStatisticDictionary> initWithQueueLabel(
        const std::string& label, std::weak_ptr<DZStatisticDictionaryDelegate> delegate);
    static std::shared_ptr<DZStatisticDictionary> initWithDelegate(
        std::weak_ptr<DZStatisticDictionaryDelegate> delegate);
    static std::shared_ptr<DZStatisticDictionary> init();
    DZStatisticDictionary(const DZStatisticDictionary&) = delete;
    DZStatisticDictionary& operator=(const DZStatisticDictionary&) = delete;

    void setObjectForKey(const nlohmann::json& value, const std::string& key, bool shouldNotifyDelegate);
    // Without notice.
    void setObjectForKeyedSubscript(const nlohmann::json& value, const std::string& key);
    std::optional<nlohmann::json> objectForKey(const std::string& key) const;
    std::optional<nlohmann::json> objectForKeyedSubscript(const std::string& key) const {
        return objectForKey(key);
    }

    // Adds to the counter under the key (0 when absent); a value that is no counter stays as it is.
    void addToNumberForKey(int64_t amount, const std::string& key, bool shouldNotifyDelegate);
    void incrementNumberForKey(const std::string& key, bool shouldNotifyDelegate);
    void decrementNumberForKey(const std::string& key, bool shouldNotifyDelegate);
    // Appends to the list under the key (a new one when absent); a value that is no list stays.
    void addObjectToArrayWithKey(const nlohmann::json& object, const std::string& key,
                                 bool shouldNotifyDelegate);

    // A copy of every entry (a deep one: later changes never show through it).
    nlohmann::json dictionary() const;
    // Ends modification for good, delivers the notices already handed on, forgets the delegate.
    void didFinishModifying();

    std::shared_ptr<DZStatisticDictionaryDelegate> delegate() const;
    void setDelegate(std::weak_ptr<DZStatisticDictionaryDelegate> delegate);
    const std::string& queueLabel() const;
    // "<DZStatisticDictionary: 0x...>\nqueue: <label>\nstatistics: <pretty JSON>".
    std::string description() const;

  private:
    DZStatisticDictionary(const std::string& label, std::weak_ptr<DZStatisticDictionaryDelegate> delegate);

    template <class F>
    void dispatchAsync(bool shouldNotifyDelegate, F change);
    // On the queue.
    void enqueueNotificationBlock();

    nlohmann::json statistics_ = nlohmann::json::object();
    bool allowDictionaryModification_ = true;
    bool hasEnqueuedNotificationBlock_ = false;
    mutable std::mutex delegateLock_;
    std::weak_ptr<DZStatisticDictionaryDelegate> delegate_;
    std::shared_ptr<platform::DispatchQueue> serialQueue_;
};
