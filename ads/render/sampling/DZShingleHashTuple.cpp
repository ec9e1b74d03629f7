#include "ads/render/sampling/DZShingleHashTuple.h"

int DZCompareShingleHashTuples(const std::shared_ptr<const DZShingleHashTuple>& a,
                               const std::shared_ptr<const DZShingleHashTuple>& b) {
    const std::size_t countA = a->shingle().size(), countB = b->shingle().size();
    if (countA != countB) return countA < countB ? -1 : 1;
    if (a->hashValue() != b->hashValue()) return a->hashValue() < b->hashValue() ? -1 : 1;
    return 0;
}
