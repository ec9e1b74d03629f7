#include "platform/plist/PlistArray.h"

#include "platform/plist/PlistDict.h"

#include <utility>

namespace platform {

using namespace plistnode;

PlistArray::PlistArray() : node_(plist_new_array()) {}

PlistArray::~PlistArray() {
    if (node_) plist_free(node_);
}

PlistArray::PlistArray(const PlistArray& other)
    : node_(other.node_ ? plist_copy(other.node_) : plist_new_array()) {}

PlistArray& PlistArray::operator=(const PlistArray& other) {
    if (this != &other) {
        PlistArray copy(other);
        std::swap(node_, copy.node_);
    }
    return *this;
}

PlistArray::PlistArray(PlistArray&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}

PlistArray& PlistArray::operator=(PlistArray&& other) noexcept {
    if (this != &other) {
        if (node_) plist_free(node_);
        node_ = std::exchange(other.node_, nullptr);
    }
    return *this;
}

std::optional<PlistArray> PlistArray::adopt(plist_t node) {
    if (!node) return std::nullopt;
    if (plistnode::typeOf(node) != PlistType::Array || plist_get_parent(node)) {
        if (!plist_get_parent(node)) plist_free(node);
        return std::nullopt;
    }
    return PlistArray(node);
}

std::optional<PlistArray> PlistArray::copyOf(plist_t node) {
    if (plistnode::typeOf(node) != PlistType::Array) return std::nullopt;
    return PlistArray(plist_copy(node));
}

size_t PlistArray::size() const {
    return node_ ? plist_array_get_size(node_) : 0;
}

PlistType PlistArray::typeAt(size_t index) const {
    return plistnode::typeOf(item(index));
}

void PlistArray::removeAt(size_t index) {
    if (index < size()) plist_array_remove_item(node_, static_cast<uint32_t>(index));
}

void PlistArray::clear() {
    if (node_) plist_free(node_);
    node_ = plist_new_array();
}

plist_t PlistArray::item(size_t index) const {
    if (index >= size()) return nullptr;
    return plist_array_get_item(node_, static_cast<uint32_t>(index));
}

void PlistArray::append(plist_t value) {
    if (!node_) node_ = plist_new_array();
    plist_array_append_item(node_, value);
}

plist_t PlistArray::release() {
    plist_t node = node_ ? node_ : plist_new_array();
    node_ = nullptr;
    return node;
}

std::optional<std::string> PlistArray::getString(size_t index) const {
    return readString(item(index));
}
std::optional<int64_t> PlistArray::getInt(size_t index) const {
    return readInt(item(index));
}
std::optional<double> PlistArray::getReal(size_t index) const {
    return readReal(item(index));
}
std::optional<bool> PlistArray::getBool(size_t index) const {
    return readBool(item(index));
}
std::optional<double> PlistArray::getNumber(size_t index) const {
    return readNumber(item(index));
}
std::optional<int64_t> PlistArray::getNumberAsInt(size_t index) const {
    return readNumberAsInt(item(index));
}
std::optional<std::vector<uint8_t>> PlistArray::getData(size_t index) const {
    return readData(item(index));
}
std::optional<PlistDate> PlistArray::getDate(size_t index) const {
    return readDate(item(index));
}
std::optional<PlistArray> PlistArray::getArray(size_t index) const {
    return copyOf(item(index));
}
std::optional<PlistDict> PlistArray::getDict(size_t index) const {
    return PlistDict::copyOf(item(index));
}

void PlistArray::appendString(std::string_view value) {
    append(newString(value));
}
void PlistArray::appendInt(int64_t value) {
    append(newInt(value));
}
void PlistArray::appendReal(double value) {
    append(plist_new_real(value));
}
void PlistArray::appendBool(bool value) {
    append(plist_new_bool(value ? 1 : 0));
}
void PlistArray::appendData(const std::vector<uint8_t>& bytes) {
    append(plist_new_data(bytes.empty() ? "" : reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
void PlistArray::appendDate(PlistDate value) {
    append(newDate(value));
}
void PlistArray::appendArray(PlistArray value) {
    append(value.release());
}
void PlistArray::appendDict(PlistDict value) {
    append(value.release());
}

}  // namespace platform
