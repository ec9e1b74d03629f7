#pragma once
// The kept samples as the request path sees them: the content-hashing queue publishes them after
// each change, and a request picks the best one here without waiting for that queue, which may be
// busy hashing a big page. A request counts its served penalty here at once; the sample itself
// loses it later on the content-hashing queue (settle), and until then every publication still
// counts the penalty owed, so no request sees a score from before an earlier request.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ads/render/sampling/DZContent.h"
#include "ads/render/sampling/DZContentQueue.h"

class DZContentScoreboard {
  public:
    struct Served {
        std::string fingerprint;
        std::shared_ptr<DZContent> content;
    };

    // Content-hashing queue: the queue's samples as they are now.
    void publish(const DZContentQueue& queue);
    // Any thread: the sample with the highest score above 0 (the oldest of equals), which loses
    // its served penalty here at once; nothing when there is none. The caller owes settle(content).
    std::optional<Served> serveBest();
    // Content-hashing queue: the sample serveBest gave loses its penalty.
    void settle(const std::shared_ptr<DZContent>& content);

  private:
    struct Entry {
        std::shared_ptr<DZContent> content;
        std::string fingerprint;
        int32_t score;
    };

    // The content-hashing queue publishes and settles, the request path serves from its own thread.
    std::mutex mutex_;
    // In sequence-number order.
    std::vector<Entry> entries_;
    // Penalties counted by serveBest that the samples have not taken yet.
    std::map<std::shared_ptr<DZContent>, uint32_t> owed_;
};
