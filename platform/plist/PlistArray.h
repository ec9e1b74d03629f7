#pragma once
// A property-list array owned by value, with the same checked, typed reads as PlistDict.
#include <plist/plist.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/plist/PlistNode.h"

namespace platform {

class PlistDict;

// A moved-from array is empty and still usable.
class PlistArray {
  public:
    PlistArray();
    ~PlistArray();
    PlistArray(const PlistArray& other);
    PlistArray& operator=(const PlistArray& other);
    PlistArray(PlistArray&& other) noexcept;
    PlistArray& operator=(PlistArray&& other) noexcept;

    // Takes ownership of node; nothing (and node freed) unless it is a root array.
    static std::optional<PlistArray> adopt(plist_t node);
    static std::optional<PlistArray> copyOf(plist_t node);

    size_t size() const;
    bool empty() const { return size() == 0; }
    PlistType typeAt(size_t index) const;  // None past the end
    void removeAt(size_t index);
    void clear();

    std::optional<std::string> getString(size_t index) const;
    std::optional<int64_t> getInt(size_t index) const;
    std::optional<double> getReal(size_t index) const;
    std::optional<bool> getBool(size_t index) const;
    std::optional<double> getNumber(size_t index) const;
    std::optional<int64_t> getNumberAsInt(size_t index) const;
    std::optional<std::vector<uint8_t>> getData(size_t index) const;
    std::optional<PlistDate> getDate(size_t index) const;
    std::optional<PlistArray> getArray(size_t index) const;
    std::optional<PlistDict> getDict(size_t index) const;

    void appendString(std::string_view value);
    void appendInt(int64_t value);
    void appendReal(double value);
    void appendBool(bool value);
    void appendData(const std::vector<uint8_t>& bytes);
    void appendDate(PlistDate value);
    void appendArray(PlistArray value);
    void appendDict(PlistDict value);

    plist_t node() const { return node_; }

  private:
    friend class PlistDict;
    explicit PlistArray(plist_t node) : node_(node) {}
    plist_t item(size_t index) const;
    void append(plist_t value);
    // Hands the node over to a new parent; this object is left empty.
    plist_t release();

    plist_t node_;
};

}  // namespace platform
