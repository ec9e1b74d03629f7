#include "ads/render/sampling/DZContentScoreboard.h"

#include <algorithm>

void DZContentScoreboard::publish(const DZContentQueue& queue) {
    std::vector<uint32_t> numbers = queue.sequenceNumbers();
    std::sort(numbers.begin(), numbers.end());
    std::lock_guard lock(mutex_);
    entries_.clear();
    for (uint32_t number : numbers) {
        auto content = queue.contentWithSequenceNumber(number);
        if (!content) continue;
        int32_t score = content->score();
        if (auto it = owed_.find(content); it != owed_.end()) {
            for (uint32_t i = 0; i < it->second; ++i) score = DZContent::scoreAfterServing(score);
        }
        entries_.push_back({content, content->fingerprint(), score});
    }
}

std::optional<DZContentScoreboard::Served> DZContentScoreboard::serveBest() {
    std::lock_guard lock(mutex_);
    Entry* best = nullptr;
    for (auto& entry : entries_) {
        if (entry.score > 0 && (!best || entry.score > best->score)) best = &entry;
    }
    if (!best) return std::nullopt;
    best->score = DZContent::scoreAfterServing(best->score);
    ++owed_[best->content];
    return Served{best->fingerprint, best->content};
}

void DZContentScoreboard::settle(const std::shared_ptr<DZContent>& content) {
    std::lock_guard lock(mutex_);
    auto it = owed_.find(content);
    if (it == owed_.end()) return;
    content->deductServedPenalty();
    if (--it->second == 0) owed_.erase(it);
}
