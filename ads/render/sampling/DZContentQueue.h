#pragma once
// The recent samples of on-screen text, oldest first, of which the request path takes the best.
// Owned by the content-hashing queue: every call is made there.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "ads/render/sampling/DZContent.h"

class DZContentQueue {
  public:
    // Each kept sample costs a fingerprint's worth of memory and a scan per request.
    static constexpr uint32_t kMaximumSize = 100;

    // A size above kMaximumSize keeps kMaximumSize; 0 keeps nothing.
    explicit DZContentQueue(uint32_t size);

    // Drops the oldest sample when full, then keeps content under its sequence number.
    void enqueueContent(const std::shared_ptr<DZContent>& content);
    // Of every kept sample with content's fingerprint and content itself, only the newest stays.
    void deduplicate(const std::shared_ptr<DZContent>& content);
    // The sample with the highest score above 0, or nullptr.
    std::shared_ptr<DZContent> contentWithHighestScore() const;
    std::shared_ptr<DZContent> contentWithSequenceNumber(uint32_t sequenceNumber) const;

    uint32_t size() const { return size_; }
    // Oldest first.
    const std::vector<uint32_t>& sequenceNumbers() const { return sequenceNumbers_; }

  private:
    void remove(uint32_t sequenceNumber);

    uint32_t size_;
    std::map<uint32_t, std::shared_ptr<DZContent>> contents_;
    std::vector<uint32_t> sequenceNumbers_;
};
