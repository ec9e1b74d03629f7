#pragma once
// On-screen content sampling: while switched on, every traversal interval one pass walks the key
// window's root view controller's view, feeds the text of its text views and web views into a
// new DZContent on the content-hashing queue, and keeps the result in the content queue, where
// the request path takes the best sample's fingerprint.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ads/foundation/DZScheduler.h"
#include "ads/render/sampling/DZContentQueue.h"
#include "ads/render/sampling/DZContentScoreboard.h"
#include "ads/render/sampling/DZViewHierarchyTraverser.h"
#include "platform/dispatch/DispatchQueue.h"

class DZContentSampler : public std::enable_shared_from_this<DZContentSampler> {
  public:
    static constexpr double kDefaultTraversalInterval = 10;
    // A pass walks the whole screen: more often than this it would compete with the game.
    static constexpr double kMinimumTraversalInterval = 1;
    static constexpr uint32_t kDefaultQueueCapacity = 10;
    // A page's text beyond this adds little to a fingerprint and much to the work.
    static constexpr std::size_t kMaximumTextPerView = 1024 * 1024;

    static std::shared_ptr<DZContentSampler> shared();
    static std::shared_ptr<DZContentSampler> create();

    // Done on the main thread (a call from elsewhere goes there). A second start while on does
    // nothing.
    void startContentHashing();
    // Done on the main thread. A pass in flight still finishes into the queue it started with,
    // and the kept samples go on serving requests until the next start replaces them.
    void stopContentHashing();
    bool isContentHashing() const { return scheduler() != nullptr; }
    // Any thread, without waiting for the content-hashing queue: the best sample's fingerprint,
    // which loses its served penalty; nothing when no sample is kept (also after a stop).
    std::optional<std::string> fingerprintWithServedPenaltyDeduction();

    // One pass over root (main thread); done(kept) on the main thread once its result is queued.
    void samplePass(const std::shared_ptr<platform::ui::View>& root,
                    std::function<void(bool kept)> done = nullptr);

    std::shared_ptr<DZContentQueue> contentQueue() const;
    std::shared_ptr<platform::DispatchQueue> serialQueue() const;
    std::shared_ptr<DZScheduler> scheduler() const;

  private:
    DZContentSampler() = default;

    // Guards the members below, written on the main thread as hashing starts and stops and read by
    // the request path on its own thread.
    mutable std::mutex mutex_;
    // Set while hashing is on.
    std::shared_ptr<platform::DispatchQueue> serialQueue_;
    // The queue that owns contentQueue_: kept after a stop, so served penalties are still taken
    // in order with what a pass in flight adds.
    std::shared_ptr<platform::DispatchQueue> contentsQueue_;
    std::shared_ptr<DZContentQueue> contentQueue_;
    // What the request path reads of contentQueue_, republished after each change to it.
    std::shared_ptr<DZContentScoreboard> scoreboard_;
    std::shared_ptr<DZScheduler> scheduler_;
    std::shared_ptr<DZViewHierarchyTraverser> traverser_;
};
