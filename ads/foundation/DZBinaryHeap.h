#pragma once
// A priority queue of objects, smallest first, ordered by a comparator given at creation (a
// function returning less than, equal to or greater than 0). Without one, objects are compared
// with their own compare() when they have it, else with "<" (on the objects a pointer points at).
// No lock: its owner uses it from one thread.
#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

template <typename T>
class DZBinaryHeap {
  public:
    using Comparator = std::function<int(const T&, const T&)>;

    explicit DZBinaryHeap(Comparator comparator = nullptr)
        : compare_(comparator ? std::move(comparator) : Comparator(defaultCompare)) {}

    void addObject(T object) {
        heap_.push_back(std::move(object));
        std::push_heap(heap_.begin(), heap_.end(), greater());
    }
    // False for a null pointer; otherwise whether an object compares equal to it.
    bool containsObject(const T& object) const {
        if constexpr (requires { object == nullptr; }) {
            if (object == nullptr) return false;
        }
        return std::any_of(heap_.begin(), heap_.end(), [&](const T& o) { return compare_(o, object) == 0; });
    }
    std::size_t count() const { return heap_.size(); }
    std::optional<T> minimum() const {
        if (heap_.empty()) return std::nullopt;
        return heap_.front();
    }
    std::optional<T> removedMinimum() {
        if (heap_.empty()) return std::nullopt;
        std::pop_heap(heap_.begin(), heap_.end(), greater());
        T smallest = std::move(heap_.back());
        heap_.pop_back();
        return smallest;
    }
    // Every object in ascending order; nothing when the heap is empty.
    std::optional<std::vector<T>> sortedObjects() const {
        if (heap_.empty()) return std::nullopt;
        std::vector<T> sorted = heap_;
        std::sort(sorted.begin(), sorted.end(),
                  [this](const T& a, const T& b) { return compare_(a, b) < 0; });
        return sorted;
    }

  private:
    static int defaultCompare(const T& a, const T& b) {
        if constexpr (requires { a->compare(*b); }) {
            return a->compare(*b);
        } else if constexpr (requires { a.compare(b); }) {
            return a.compare(b);
        } else if constexpr (requires { *a < *b; }) {
            return *a < *b ? -1 : (*b < *a ? 1 : 0);
        } else {
            return a < b ? -1 : (b < a ? 1 : 0);
        }
    }
    // The standard heap keeps its largest element first; "greater" turns it into a min-heap.
    auto greater() const {
        return [this](const T& a, const T& b) { return compare_(a, b) > 0; };
    }

    Comparator compare_;
    std::vector<T> heap_;
};
