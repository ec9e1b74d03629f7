#pragma once
// A weak reference that can stand in a set: sets of them keep track of objects (ad views,
// delegates) without keeping them alive. Two references are equal when they were made for the
// same object, also after it is gone; an object made later at the same address is a different
// object and never matches (identity is the object's shared ownership, not only its address).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

class DZWeakReference {
  public:
    struct Hash {
        std::size_t operator()(const DZWeakReference& r) const { return r.hash(); }
    };
    using Set = std::unordered_set<DZWeakReference, Hash>;

    // Nothing for a null object.
    template <class T>
    static std::optional<DZWeakReference> initWithObject(const std::shared_ptr<T>& object) {
        if (!object) return std::nullopt;
        return DZWeakReference(std::weak_ptr<void>(std::static_pointer_cast<void>(object)),
                               reinterpret_cast<std::uintptr_t>(object.get()));
    }

    // The object, or null once it is gone.
    template <class T = void>
    std::shared_ptr<T> weakObject() const {
        return std::static_pointer_cast<T>(object_.lock());
    }
    // The object's address, fixed at creation.
    std::uintptr_t uniqueID() const { return address_; }
    std::size_t hash() const { return static_cast<std::size_t>(address_); }
    bool isEqual(const DZWeakReference& other) const;
    bool operator==(const DZWeakReference& other) const { return isEqual(other); }
    // "<DZWeakReference: 0x... weakObject:0x... uniqueID:0x...>", "(null)" for a gone object.
    std::string description() const;

    template <class T>
    static bool setContainsObject(const Set& set, const std::shared_ptr<T>& object) {
        auto ref = initWithObject(object);
        return ref && set.count(*ref) != 0;
    }

  private:
    DZWeakReference(std::weak_ptr<void> object, std::uintptr_t address)
        : object_(std::move(object)), address_(address) {}

    std::weak_ptr<void> object_;
    std::uintptr_t address_;
};
