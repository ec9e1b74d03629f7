#include "ads/render/sampling/DZContentQueue.h"

#include <algorithm>
#include <set>

DZContentQueue::DZContentQueue(uint32_t size) : size_(std::min(size, kMaximumSize)) {}

void DZContentQueue::enqueueContent(const std::shared_ptr<DZContent>& content) {
    if (!content || size_ == 0) return;
    while (sequenceNumbers_.size() >= size_) remove(sequenceNumbers_.front());
    // A number already kept is replaced, never listed twice.
    remove(content->sequenceNumber());
    contents_[content->sequenceNumber()] = content;
    sequenceNumbers_.push_back(content->sequenceNumber());
}

void DZContentQueue::deduplicate(const std::shared_ptr<DZContent>& content) {
    if (!content) return;
    std::set<uint32_t> stale;
    for (const auto& [number, kept] : contents_) {
        if (kept == content || kept->fingerprint() != content->fingerprint()) continue;
        stale.insert(std::min(number, content->sequenceNumber()));
    }
    for (uint32_t number : stale) remove(number);
}

std::shared_ptr<DZContent> DZContentQueue::contentWithHighestScore() const {
    std::shared_ptr<DZContent> best;
    for (const auto& [number, content] : contents_) {
        if (content->score() > 0 && (!best || content->score() > best->score())) best = content;
    }
    return best;
}

std::shared_ptr<DZContent> DZContentQueue::contentWithSequenceNumber(uint32_t sequenceNumber) const {
    auto it = contents_.find(sequenceNumber);
    return it == contents_.end() ? nullptr : it->second;
}

void DZContentQueue::remove(uint32_t sequenceNumber) {
    contents_.erase(sequenceNumber);
    std::erase(sequenceNumbers_, sequenceNumber);
}
