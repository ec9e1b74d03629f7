#include "platform/plist/PlistDict.h"

#include <cstdlib>
#include <limits>
#include <utility>

#include "platform/plist/PlistLimits.h"

namespace platform {

using namespace plistnode;

PlistDict::PlistDict() : node_(plist_new_dict()) {}

PlistDict::~PlistDict() {
    if (node_) plist_free(node_);
}

PlistDict::PlistDict(const PlistDict& other)
    : node_(other.node_ ? plist_copy(other.node_) : plist_new_dict()) {}

PlistDict& PlistDict::operator=(const PlistDict& other) {
    if (this != &other) {
        PlistDict copy(other);
        std::swap(node_, copy.node_);
    }
    return *this;
}

PlistDict::PlistDict(PlistDict&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}

PlistDict& PlistDict::operator=(PlistDict&& other) noexcept {
    if (this != &other) {
        if (node_) plist_free(node_);
        node_ = std::exchange(other.node_, nullptr);
    }
    return *this;
}

std::optional<PlistDict> PlistDict::adopt(plist_t node) {
    if (!node) return std::nullopt;
    if (plistnode::typeOf(node) != PlistType::Dict || plist_get_parent(node)) {
        if (!plist_get_parent(node)) plist_free(node);
        return std::nullopt;
    }
    return PlistDict(node);
}

std::optional<PlistDict> PlistDict::copyOf(plist_t node) {
    if (plistnode::typeOf(node) != PlistType::Dict) return std::nullopt;
    return PlistDict(plist_copy(node));
}

std::optional<PlistDict> PlistDict::parse(const void* data, size_t size, std::string* why) {
    // The library takes a 32-bit length and needs at least a header's worth of bytes.
    if (!data || size < 8 || size > std::numeric_limits<uint32_t>::max()) {
        if (why) *why = "not a property list";
        return std::nullopt;
    }
    if (!plistWithinLimits(data, size, why)) return std::nullopt;
    // A terminating zero after the bytes keeps the text parser inside the buffer.
    std::vector<char> bytes(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    bytes.push_back('\0');
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(size), &root);
    if (!root) {
        if (why) *why = "not a property list";
        return std::nullopt;
    }
    if (plistnode::typeOf(root) != PlistType::Dict) {
        plist_free(root);
        if (why) *why = "root is not a dictionary";
        return std::nullopt;
    }
    return adopt(root);
}

std::vector<uint8_t> PlistDict::toBinary() const {
    if (!node_) return PlistDict().toBinary();
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(node_, &bytes, &length);
    if (!bytes) return {};
    std::vector<uint8_t> out(reinterpret_cast<uint8_t*>(bytes), reinterpret_cast<uint8_t*>(bytes) + length);
    plist_to_bin_free(bytes);
    return out;
}

std::string PlistDict::toXml() const {
    if (!node_) return PlistDict().toXml();
    char* text = nullptr;
    uint32_t length = 0;
    plist_to_xml(node_, &text, &length);
    if (!text) return {};
    std::string out(text, length);
    plist_to_xml_free(text);
    return out;
}

size_t PlistDict::size() const {
    return node_ ? plist_dict_get_size(node_) : 0;
}

bool PlistDict::contains(const std::string& key) const {
    return item(key) != nullptr;
}

PlistType PlistDict::typeOf(const std::string& key) const {
    return plistnode::typeOf(item(key));
}

std::vector<std::string> PlistDict::keys() const {
    std::vector<std::string> out;
    if (!node_) return out;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node_, &it);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node_, it, &key, &value);
        if (!key) break;
        out.emplace_back(key);
        std::free(key);
    }
    std::free(it);
    return out;
}

void PlistDict::remove(const std::string& key) {
    if (contains(key)) plist_dict_remove_item(node_, key.c_str());
}

void PlistDict::clear() {
    if (node_) plist_free(node_);
    node_ = plist_new_dict();
}

plist_t PlistDict::item(const std::string& key) const {
    return node_ ? plist_dict_get_item(node_, key.c_str()) : nullptr;
}

void PlistDict::set(const std::string& key, plist_t value) {
    if (!node_) node_ = plist_new_dict();
    plist_dict_set_item(node_, key.c_str(), value);
}

plist_t PlistDict::release() {
    plist_t node = node_ ? node_ : plist_new_dict();
    node_ = nullptr;
    return node;
}

std::optional<std::string> PlistDict::getString(const std::string& key) const {
    return readString(item(key));
}
std::optional<int64_t> PlistDict::getInt(const std::string& key) const {
    return readInt(item(key));
}
std::optional<double> PlistDict::getReal(const std::string& key) const {
    return readReal(item(key));
}
std::optional<bool> PlistDict::getBool(const std::string& key) const {
    return readBool(item(key));
}
std::optional<double> PlistDict::getNumber(const std::string& key) const {
    return readNumber(item(key));
}
std::optional<int64_t> PlistDict::getNumberAsInt(const std::string& key) const {
    return readNumberAsInt(item(key));
}
std::optional<std::vector<uint8_t>> PlistDict::getData(const std::string& key) const {
    return readData(item(key));
}
std::optional<PlistDate> PlistDict::getDate(const std::string& key) const {
    return readDate(item(key));
}
std::optional<PlistArray> PlistDict::getArray(const std::string& key) const {
    return PlistArray::copyOf(item(key));
}
std::optional<PlistDict> PlistDict::getDict(const std::string& key) const {
    return copyOf(item(key));
}

void PlistDict::setString(const std::string& key, std::string_view value) {
    set(key, newString(value));
}
void PlistDict::setInt(const std::string& key, int64_t value) {
    set(key, newInt(value));
}
void PlistDict::setReal(const std::string& key, double value) {
    set(key, plist_new_real(value));
}
void PlistDict::setBool(const std::string& key, bool value) {
    set(key, plist_new_bool(value ? 1 : 0));
}
void PlistDict::setData(const std::string& key, const void* bytes, size_t size) {
    set(key, plist_new_data(size ? static_cast<const char*>(bytes) : "", size));
}
void PlistDict::setData(const std::string& key, const std::vector<uint8_t>& bytes) {
    setData(key, bytes.data(), bytes.size());
}
void PlistDict::setDate(const std::string& key, PlistDate value) {
    set(key, newDate(value));
}
void PlistDict::setArray(const std::string& key, PlistArray value) {
    set(key, value.release());
}
void PlistDict::setDict(const std::string& key, PlistDict value) {
    set(key, value.release());
}

}  // namespace platform
