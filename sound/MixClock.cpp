#include "sound/MixClock.h"

namespace sound {

MixClock::Id MixClock::enter() {
    std::lock_guard lock(mutex_);
    const Id id = nextId_++;
    // Nothing polled yet: the renderer waits for the first look as for any other.
    seen_[id] = block_ == 0 ? 0 : block_ - 1;
    return id;
}

void MixClock::leave(Id id) {
    std::lock_guard lock(mutex_);
    seen_.erase(id);
    changed_.notify_all();
}

std::uint64_t MixClock::currentBlock() {
    std::lock_guard lock(mutex_);
    return block_;
}

void MixClock::wakeAll() {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

void MixClock::blockMixed() {
    std::unique_lock lock(mutex_);
    ++block_;
    changed_.notify_all();
    // A worker that never answers (it cannot, short of a fault) must not hang the run for good.
    changed_.wait_for(lock, std::chrono::seconds(5), [&] {
        for (const auto& [id, seen] : seen_)
            if (seen < block_) return false;
        return true;
    });
}

}  // namespace sound
