#include "ads/foundation/DZPingAsker.h"

#include <atomic>

DZPingAsker DZPingAsker::next() {
    // 64 bits do not wrap in the life of a process.
    static std::atomic<std::uint64_t> last{0};
    return DZPingAsker(last.fetch_add(1, std::memory_order_relaxed) + 1);
}
