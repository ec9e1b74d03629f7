#pragma once
// A property-list dictionary owned by value: copies are deep, moves are cheap. Reads are typed
// and checked (an absent key or an entry of another type gives nothing), so data from files
// can be read without trusting it. Keys are UTF-8 text.
#include <plist/plist.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/plist/PlistArray.h"
#include "platform/plist/PlistNode.h"

namespace platform {

class PlistArray;

// A moved-from dictionary is empty and still usable.
class PlistDict {
  public:
    PlistDict();
    ~PlistDict();
    PlistDict(const PlistDict& other);
    PlistDict& operator=(const PlistDict& other);
    PlistDict(PlistDict&& other) noexcept;
    PlistDict& operator=(PlistDict&& other) noexcept;

    // Takes ownership of node; nothing (and node freed) unless it is a root dictionary.
    static std::optional<PlistDict> adopt(plist_t node);
    // A deep copy of a borrowed node when it is a dictionary.
    static std::optional<PlistDict> copyOf(plist_t node);
    // Parses a binary or XML property list whose root is a dictionary. Bytes beyond the nesting
    // and size limits of PlistLimits.h are refused before the library sees them. Nothing, with
    // the reason in why, otherwise.
    static std::optional<PlistDict> parse(const void* data, size_t size, std::string* why = nullptr);

    // Serialised forms; empty when the library cannot serialise the contents.
    std::vector<uint8_t> toBinary() const;
    std::string toXml() const;

    size_t size() const;
    bool empty() const { return size() == 0; }
    bool contains(const std::string& key) const;
    PlistType typeOf(const std::string& key) const;  // None when absent
    std::vector<std::string> keys() const;
    void remove(const std::string& key);
    void clear();

    std::optional<std::string> getString(const std::string& key) const;
    std::optional<int64_t> getInt(const std::string& key) const;  // integer entries only
    std::optional<double> getReal(const std::string& key) const;  // real entries only
    std::optional<bool> getBool(const std::string& key) const;    // boolean entries only
    // Any number entry (integer, real or boolean), as a number object would answer.
    std::optional<double> getNumber(const std::string& key) const;
    std::optional<int64_t> getNumberAsInt(const std::string& key) const;
    std::optional<std::vector<uint8_t>> getData(const std::string& key) const;
    std::optional<PlistDate> getDate(const std::string& key) const;
    std::optional<PlistArray> getArray(const std::string& key) const;
    std::optional<PlistDict> getDict(const std::string& key) const;

    void setString(const std::string& key, std::string_view value);
    void setInt(const std::string& key, int64_t value);
    void setReal(const std::string& key, double value);
    void setBool(const std::string& key, bool value);
    void setData(const std::string& key, const void* bytes, size_t size);
    void setData(const std::string& key, const std::vector<uint8_t>& bytes);
    void setDate(const std::string& key, PlistDate value);
    void setArray(const std::string& key, PlistArray value);
    void setDict(const std::string& key, PlistDict value);

    // The underlying node, still owned by this object.
    plist_t node() const { return node_; }

  private:
    friend class PlistArray;
    explicit PlistDict(plist_t node) : node_(node) {}
    plist_t item(const std::string& key) const;
    void set(const std::string& key, plist_t value);
    // Hands the node over to a new parent; this object is left empty.
    plist_t release();

    plist_t node_;
};

}  // namespace platform
