#include "core/JTArrayList.h"

#include <stdexcept>

namespace JTCore {

JTArrayList::~JTArrayList() {
    clear();
}

void JTArrayList::add(const Ref<JTObject>& item) {
    items_.push_back(item);
}

void JTArrayList::checkIndex(int index) const {
    if (index < 0 || index >= size()) throw std::out_of_range("out of range");
}

Ref<JTObject> JTArrayList::get(int index) const {
    checkIndex(index);
    return items_[static_cast<size_t>(index)];
}

void JTArrayList::removeAt(int index) {
    checkIndex(index);
    items_.erase(items_.begin() + index);
}

void JTArrayList::clear() {
    // Elements are released one by one before the array empties, so a destructor that looks
    // at the list sees it consistent.
    while (!items_.empty()) {
        Ref<JTObject> last = std::move(items_.back());
        items_.pop_back();
    }
}

}  // namespace JTCore
