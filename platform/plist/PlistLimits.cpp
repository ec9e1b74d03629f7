#include "platform/plist/PlistLimits.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr size_t kTrailerBytes = 32;
constexpr const char* kNulInString = "a string in the property list holds a NUL byte";
constexpr size_t kHeaderBytes = 8;

bool refuse(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

// The object table of a binary list, read with every position checked.
class BinaryTable {
  public:
    BinaryTable(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool open() {
        if (size_ < kHeaderBytes + kTrailerBytes) return false;
        const uint8_t* trailer = data_ + size_ - kTrailerBytes;
        offsetSize_ = trailer[6];
        refSize_ = trailer[7];
        uint64_t table = 0;
        if (!readUInt(size_ - kTrailerBytes + 8, 8, &count_) ||
            !readUInt(size_ - kTrailerBytes + 16, 8, &top_) ||
            !readUInt(size_ - kTrailerBytes + 24, 8, &table)) {
            return false;
        }
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return false;
        // Every object takes at least one byte, which bounds the count before any allocation.
        if (count_ == 0 || count_ > size_ || top_ >= count_) return false;
        if (table < kHeaderBytes || table > size_ - kTrailerBytes ||
            count_ > (size_ - kTrailerBytes - table) / offsetSize_) {
            return false;
        }
        table_ = static_cast<size_t>(table);
        return true;
    }

    uint64_t count() const { return count_; }
    uint64_t top() const { return top_; }

    // The objects a container refers to (keys and values of a dictionary); container says
    // whether it is one (a scalar has none).
    bool children(uint64_t index, std::vector<uint64_t>* out, bool* container) const {
        out->clear();
        *container = false;
        size_t pos = 0;
        int type = 0;
        if (!objectAt(index, &pos, &type)) return false;
        const bool dict = type == 0xD;
        if (type != 0xA && type != 0xC && !dict) return true;
        *container = true;
        uint64_t n = 0;
        if (!countAt(&pos, &n)) return false;
        if (dict) {
            if (n > size_) return false;
            n *= 2;
        }
        if (n > (size_ - pos) / refSize_) return false;
        out->reserve(static_cast<size_t>(n));
        for (uint64_t i = 0; i < n; ++i) {
            uint64_t ref = 0;
            if (!readUInt(pos + static_cast<size_t>(i) * refSize_, refSize_, &ref) || ref >= count_)
                return false;
            out->push_back(ref);
        }
        return true;
    }

    // Whether the object is a string (ASCII or UTF-16) with a NUL character inside: the library
    // would keep only the text before it. False for anything else, and for a string running past
    // the data (the library refuses that itself).
    bool isStringWithNul(uint64_t index) const {
        size_t pos = 0;
        int type = 0;
        if (!objectAt(index, &pos, &type) || (type != 0x5 && type != 0x6)) return false;
        uint64_t n = 0;
        if (!countAt(&pos, &n)) return false;
        const size_t unit = type == 0x6 ? 2 : 1;
        if (n > (size_ - pos) / unit) return false;
        for (uint64_t i = 0; i < n; ++i) {
            const size_t at = pos + static_cast<size_t>(i) * unit;
            if (data_[at] == 0 && (unit == 1 || data_[at + 1] == 0)) return true;
        }
        return false;
    }

  private:
    // The object's type (its marker's high nibble); `pos` is left just past the marker, where the
    // object's count starts.
    bool objectAt(uint64_t index, size_t* pos, int* type) const {
        uint64_t offset = 0;
        if (!readUInt(table_ + static_cast<size_t>(index) * offsetSize_, offsetSize_, &offset) ||
            offset < kHeaderBytes || offset >= size_ - kTrailerBytes) {
            return false;
        }
        *pos = static_cast<size_t>(offset) + 1;
        *type = data_[offset] >> 4;
        return true;
    }

    // The count in the marker's low nibble, or in the integer object after it when that is 0xF;
    // `pos` is left at the object's contents.
    bool countAt(size_t* pos, uint64_t* n) const {
        *n = data_[*pos - 1] & 0x0F;
        if (*n != 0x0F) return true;
        if (*pos >= size_ || (data_[*pos] >> 4) != 0x1) return false;
        const int width = 1 << (data_[*pos] & 0x0F);
        if (width > 8 || !readUInt(*pos + 1, width, n)) return false;
        *pos += 1 + static_cast<size_t>(width);
        return true;
    }

    bool readUInt(size_t pos, int width, uint64_t* out) const {
        if (width < 1 || width > 8 || pos > size_ || static_cast<size_t>(width) > size_ - pos) return false;
        uint64_t v = 0;
        for (int i = 0; i < width; ++i) v = (v << 8) | data_[pos + static_cast<size_t>(i)];
        *out = v;
        return true;
    }

    const uint8_t* data_;
    size_t size_;
    int offsetSize_ = 0;
    int refSize_ = 0;
    uint64_t count_ = 0;
    uint64_t top_ = 0;
    size_t table_ = 0;
};

// Depth-first over the object graph with an explicit stack: each object's nesting and expanded
// node count are worked out once and reused wherever it is referred to again.
bool binaryWithinLimits(const uint8_t* data, size_t size, std::string* why) {
    constexpr const char* kMalformed = "malformed binary property list";
    BinaryTable table(data, size);
    if (!table.open()) return refuse(why, kMalformed);
    constexpr int kUnknown = -1;
    constexpr int kOpen = -2;
    std::vector<int> depth(static_cast<size_t>(table.count()), kUnknown);
    std::vector<uint64_t> nodes(static_cast<size_t>(table.count()), 0);
    struct Frame {
        uint64_t index = 0;
        bool container = false;
        std::vector<uint64_t> children;
        size_t next = 0;
        int deepestChild = 0;
        uint64_t nodes = 1;
    };
    std::vector<Frame> stack;
    const char* refusal = kMalformed;
    auto push = [&](uint64_t index) {
        Frame frame;
        frame.index = index;
        if (!table.children(index, &frame.children, &frame.container)) return false;
        if (table.isStringWithNul(index)) {
            refusal = kNulInString;
            return false;
        }
        depth[static_cast<size_t>(index)] = kOpen;
        stack.push_back(std::move(frame));
        return true;
    };
    if (!push(table.top())) return refuse(why, refusal);
    while (!stack.empty()) {
        // Every frame under the top one is a container with children.
        if (stack.size() - 1 > static_cast<size_t>(kMaxPlistNesting)) {
            return refuse(why, "property list nested too deeply");
        }
        Frame& frame = stack.back();
        if (frame.next < frame.children.size()) {
            const uint64_t child = frame.children[frame.next++];
            const int known = depth[static_cast<size_t>(child)];
            if (known == kOpen) return refuse(why, "property list refers to itself");
            if (known == kUnknown) {
                if (!push(child)) return refuse(why, refusal);
                continue;
            }
            frame.deepestChild = std::max(frame.deepestChild, known);
            frame.nodes += nodes[static_cast<size_t>(child)];
        } else {
            const int total = frame.container ? frame.deepestChild + 1 : 0;
            const uint64_t count = frame.nodes;
            depth[static_cast<size_t>(frame.index)] = total;
            nodes[static_cast<size_t>(frame.index)] = count;
            stack.pop_back();
            if (total > kMaxPlistNesting) return refuse(why, "property list nested too deeply");
            if (stack.empty()) break;
            stack.back().deepestChild = std::max(stack.back().deepestChild, total);
            stack.back().nodes += count;
        }
        if (!stack.empty() && stack.back().nodes > kMaxPlistNodes) {
            return refuse(why, "property list holds too many objects");
        }
    }
    return true;
}

size_t find(const uint8_t* data, size_t size, size_t from, const char* needle) {
    const size_t n = std::strlen(needle);
    for (size_t i = from; i + n <= size; ++i) {
        if (std::memcmp(data + i, needle, n) == 0) return i;
    }
    return size;
}

bool startsWith(const uint8_t* data, size_t size, size_t at, const char* prefix) {
    const size_t n = std::strlen(prefix);
    return at + n <= size && std::memcmp(data + at, prefix, n) == 0;
}

// Element nesting of the text form: <plist> and each <dict> or <array> open one level; keys and
// scalars add one more below their container, so the limit here is the container limit plus two.
bool xmlWithinLimits(const uint8_t* data, size_t size, std::string* why) {
    // XML has no NUL character; the library would end the string it is in there. NUL bytes
    // after the whole text (a C string's terminator) are harmless.
    const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    if (nul && std::any_of(nul, data + size, [](uint8_t byte) { return byte != 0; })) {
        return refuse(why, kNulInString);
    }
    constexpr int kMaxElements = kMaxPlistNesting + 2;
    int open = 0;
    size_t elements = 0;
    size_t i = 0;
    while (i < size) {
        if (data[i] != '<') {
            ++i;
            continue;
        }
        size_t end;
        if (startsWith(data, size, i, "<!--")) {
            end = find(data, size, i + 4, "-->");
        } else if (startsWith(data, size, i, "<![CDATA[")) {
            end = find(data, size, i + 9, "]]>");
        } else if (startsWith(data, size, i, "<?")) {
            end = find(data, size, i + 2, "?>");
        } else {
            end = find(data, size, i + 1, ">");
            if (end < size && data[i + 1] == '/') {
                --open;
            } else if (end < size && !startsWith(data, size, i + 1, "!") && data[end - 1] != '/') {
                if (++open > kMaxElements) return refuse(why, "property list nested too deeply");
                if (++elements > kMaxPlistNodes) return refuse(why, "property list holds too many objects");
            }
        }
        if (end >= size) break;  // unterminated: the parser reports it
        i = end + 1;
    }
    return true;
}

}  // namespace

bool plistWithinLimits(const void* data, size_t size, std::string* why) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (!bytes) return refuse(why, "no data");
    if (startsWith(bytes, size, 0, "bplist")) return binaryWithinLimits(bytes, size, why);
    return xmlWithinLimits(bytes, size, why);
}

}  // namespace platform
