#include "ads/core/slot/DZSlotLoads.h"

#include <map>
#include <utility>
#include <vector>

namespace {

struct Loads {
    long long started = 0;
    std::map<const void*, long long> bySlot;
    // By number, with the load's question, if it was given one.
    std::map<long long, std::function<bool()>> underWay;
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
        all.underWay.emplace(all.started, nullptr);
    } else if (!loading && it != all.bySlot.end()) {
        all.underWay.erase(it->second);
        all.bySlot.erase(it);
    }
}

void DZSlotLoads::setOnlyOnClock(const void* slot, std::function<bool()> onlyOnClock) {
    Loads& all = loads();
    const auto it = all.bySlot.find(slot);
    if (it != all.bySlot.end()) all.underWay[it->second] = std::move(onlyOnClock);
}

void DZSlotLoads::slotWorks(const void* slot) {
    Loads& all = loads();
    const auto it = all.bySlot.find(slot);
    if (it == all.bySlot.end()) return;
    const auto load = all.underWay.find(it->second);
    if (load == all.underWay.end() || !load->second) return;
    // A new number: whoever let the clock go on since the old one, or stopped waiting for it,
    // sees a load start.
    std::function<bool()> onlyOnClock = std::move(load->second);
    all.underWay.erase(load);
    it->second = ++all.started;
    all.underWay.emplace(all.started, std::move(onlyOnClock));
}

long long DZSlotLoads::started() {
    return loads().started;
}

std::size_t DZSlotLoads::underWaySince(long long since) {
    // The questions are the component's code: asked with nothing of the loads held across them.
    std::vector<std::function<bool()>> asked;
    std::size_t count = 0;
    for (auto it = loads().underWay.upper_bound(since); it != loads().underWay.end(); ++it) {
        if (it->second)
            asked.push_back(it->second);
        else
            ++count;
    }
    for (const auto& onlyOnClock : asked)
        if (!onlyOnClock()) ++count;
    return count;
}
