#include "ads/core/slot/DZSlotLoads.h"

#include <map>
#include <utility>
#include <vector>

namespace {

struct Load {
    // The load's question, if it was given one.
    std::function<bool()> onlyOnClock;
    // It said so when last asked.
    bool seenOnClock = false;
};

struct Loads {
    long long started = 0;
    std::map<const void*, long long> bySlot;
    // By number.
    std::map<long long, Load> underWay;
};

Loads& loads() {
    static Loads all;
    return all;
}

}  // namespace

void DZSlotLoads::slotEntered(const void* slot, bool loading) {
    Loads& all = loads();
    const auto it = all.bySlot.find(slot);
    if (loading && it == all.bySlot.end()) {
        all.bySlot.emplace(slot, ++all.started);
        all.underWay.emplace(all.started, Load{});
    } else if (!loading && it != all.bySlot.end()) {
        all.underWay.erase(it->second);
        all.bySlot.erase(it);
    }
}

void DZSlotLoads::setOnlyOnClock(const void* slot, std::function<bool()> onlyOnClock) {
    Loads& all = loads();
    const auto it = all.bySlot.find(slot);
    if (it != all.bySlot.end()) all.underWay[it->second] = Load{std::move(onlyOnClock), false};
}

void DZSlotLoads::slotWorks(const void* slot) {
    Loads& all = loads();
    const auto it = all.bySlot.find(slot);
    if (it == all.bySlot.end()) return;
    const auto load = all.underWay.find(it->second);
    if (load == all.underWay.end() || !load->second.seenOnClock) return;
    // A new number: whoever let the clock go on since the old one sees a load start.
    Load moved{std::move(load->second.onlyOnClock), false};
    all.underWay.erase(load);
    it->second = ++all.started;
    all.underWay.emplace(all.started, std::move(moved));
}

long long DZSlotLoads::started() {
    return loads().started;
}

std::size_t DZSlotLoads::underWaySince(long long since) {
    // The questions are the component's code: asked with nothing of the loads held across them.
    std::vector<std::pair<long long, std::function<bool()>>> asked;
    std::size_t count = 0;
    for (auto it = loads().underWay.upper_bound(since); it != loads().underWay.end(); ++it) {
        if (it->second.onlyOnClock)
            asked.emplace_back(it->first, it->second.onlyOnClock);
        else
            ++count;
    }
    for (const auto& [number, onlyOnClock] : asked) {
        const bool onClock = onlyOnClock();
        const auto load = loads().underWay.find(number);
        if (load != loads().underWay.end()) load->second.seenOnClock = onClock;
        if (!onClock) ++count;
    }
    return count;
}
