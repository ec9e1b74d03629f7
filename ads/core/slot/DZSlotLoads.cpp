#include "ads/core/slot/DZSlotLoads.h"

#include <iterator>
#include <map>
#include <set>

namespace {

struct Loads {
    long long started = 0;
    std::map<const void*, long long> bySlot;
    std::set<long long> underWay;
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
        all.underWay.insert(all.started);
    } else if (!loading && it != all.bySlot.end()) {
        all.underWay.erase(it->second);
        all.bySlot.erase(it);
    }
}

long long DZSlotLoads::started() {
    return loads().started;
}

std::size_t DZSlotLoads::underWaySince(long long since) {
    const Loads& all = loads();
    return static_cast<std::size_t>(std::distance(all.underWay.upper_bound(since), all.underWay.end()));
}
