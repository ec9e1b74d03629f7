#include "platform/plist/PlistText.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "platform/foundation/Utf8Text.h"
#include "platform/plist/PlistLimits.h"

namespace platform {

namespace {

bool isBareChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
}

int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class TextReader {
  public:
    TextReader(const char* data, size_t size) : p_(data), end_(data + size) {}

    PlistNodePtr readRoot(std::string* why) {
        PlistNodePtr root = readValue(1);
        if (root) {
            skipSpace();
            if (error_.empty() && p_ != end_) fail("unexpected text after the property list");
        }
        if (!error_.empty()) {
            if (why) *why = error_ + " at offset " + std::to_string(offset_);
            return nullptr;
        }
        return root;
    }

  private:
    void fail(const char* what) {
        if (error_.empty()) {
            error_ = what;
            offset_ = static_cast<size_t>(p_ - begin_);
        }
    }

    void skipSpace() {
        while (p_ < end_) {
            const char c = *p_;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
                ++p_;
            } else if (c == '/' && p_ + 1 < end_ && p_[1] == '/') {
                while (p_ < end_ && *p_ != '\n') ++p_;
            } else if (c == '/' && p_ + 1 < end_ && p_[1] == '*') {
                const char* close = nullptr;
                for (const char* q = p_ + 2; q + 1 < end_; ++q) {
                    if (q[0] == '*' && q[1] == '/') {
                        close = q;
                        break;
                    }
                }
                if (!close) {
                    fail("unterminated comment");
                    p_ = end_;
                    return;
                }
                p_ = close + 2;
            } else {
                return;
            }
        }
    }

    PlistNodePtr readValue(int depth) {
        skipSpace();
        if (!error_.empty()) return nullptr;
        if (p_ == end_) {
            fail("a value is missing");
            return nullptr;
        }
        const char c = *p_;
        if (c == '{' || c == '(') {
            if (depth > kMaxPlistNesting) {
                fail("nested too deeply");
                return nullptr;
            }
            return c == '{' ? readDict(depth) : readArray(depth);
        }
        if (c == '<') return readData();
        std::string text;
        if (!readString(text)) return nullptr;
        return PlistNodePtr(plist_new_string(text.c_str()));
    }

    bool readString(std::string& out) {
        skipSpace();
        if (p_ == end_) {
            fail("a string is missing");
            return false;
        }
        if (*p_ == '"') return readQuoted(out);
        const char* start = p_;
        while (p_ < end_ && isBareChar(static_cast<unsigned char>(*p_))) ++p_;
        if (p_ == start) {
            fail("unexpected character");
            return false;
        }
        out.assign(start, p_);
        return true;
    }

    bool readQuoted(std::string& out) {
        ++p_;  // opening quote
        while (p_ < end_ && *p_ != '"') {
            char c = *p_++;
            if (c == '\0') {
                fail("NUL byte in a string");
                return false;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (p_ == end_) break;
            c = *p_++;
            switch (c) {
                case '\\':
                case '"':
                case '\'':
                    out += c;
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'v':
                    out += '\v';
                    break;
                case 'a':
                    out += '\a';
                    break;
                case 'U': {
                    uint32_t cp = 0;
                    for (int k = 0; k < 4; ++k) {
                        const int h = p_ < end_ ? hexValue(static_cast<unsigned char>(*p_)) : -1;
                        if (h < 0) {
                            fail("malformed \\U escape");
                            return false;
                        }
                        cp = cp * 16 + static_cast<uint32_t>(h);
                        ++p_;
                    }
                    if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) {
                        fail("\\U escape names no character");
                        return false;
                    }
                    appendUtf8(out, cp);
                    break;
                }
                default:
                    if (c >= '0' && c <= '7') {
                        unsigned value = static_cast<unsigned>(c - '0');
                        for (int k = 0; k < 2 && p_ < end_ && *p_ >= '0' && *p_ <= '7'; ++k)
                            value = value * 8 + static_cast<unsigned>(*p_++ - '0');
                        if (value == 0 || value > 0xFF) {
                            fail("octal escape out of range");
                            return false;
                        }
                        out += static_cast<char>(value);
                        break;
                    }
                    fail("unknown escape in a string");
                    return false;
            }
        }
        if (p_ == end_) {
            fail("unterminated string");
            return false;
        }
        ++p_;  // closing quote
        if (!platform::isValidUtf8(out)) {
            fail("a string is not UTF-8");
            return false;
        }
        return true;
    }

    PlistNodePtr readData() {
        ++p_;  // '<'
        std::vector<uint8_t> bytes;
        int high = -1;
        while (p_ < end_ && *p_ != '>') {
            const auto c = static_cast<unsigned char>(*p_++);
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
            const int h = hexValue(c);
            if (h < 0) {
                fail("malformed data");
                return nullptr;
            }
            if (high < 0) {
                high = h;
            } else {
                bytes.push_back(static_cast<uint8_t>(high * 16 + h));
                high = -1;
            }
        }
        if (p_ == end_ || high >= 0) {
            fail(p_ == end_ ? "unterminated data" : "odd number of hex digits in data");
            return nullptr;
        }
        ++p_;
        return PlistNodePtr(plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

    PlistNodePtr readDict(int depth) {
        ++p_;  // '{'
        PlistNodePtr dict(plist_new_dict());
        while (true) {
            skipSpace();
            if (!error_.empty()) return nullptr;
            if (p_ == end_) {
                fail("unterminated dictionary");
                return nullptr;
            }
            if (*p_ == '}') {
                ++p_;
                return dict;
            }
            std::string key;
            if (!readString(key)) return nullptr;
            skipSpace();
            if (p_ == end_ || *p_ != '=') {
                fail("'=' expected after a key");
                return nullptr;
            }
            ++p_;
            PlistNodePtr value = readValue(depth + 1);
            if (!value) return nullptr;
            skipSpace();
            if (p_ == end_ || *p_ != ';') {
                fail("';' expected after a value");
                return nullptr;
            }
            ++p_;
            plist_dict_set_item(dict.get(), key.c_str(), value.release());
        }
    }

    PlistNodePtr readArray(int depth) {
        ++p_;  // '('
        PlistNodePtr array(plist_new_array());
        skipSpace();
        if (p_ < end_ && *p_ == ')') {
            ++p_;
            return array;
        }
        while (true) {
            PlistNodePtr value = readValue(depth + 1);
            if (!value) return nullptr;
            plist_array_append_item(array.get(), value.release());
            skipSpace();
            if (p_ == end_) {
                fail("unterminated array");
                return nullptr;
            }
            if (*p_ == ')') {
                ++p_;
                return array;
            }
            if (*p_ != ',') {
                fail("',' or ')' expected in an array");
                return nullptr;
            }
            ++p_;
            skipSpace();
            if (p_ < end_ && *p_ == ')') {  // a trailing comma
                ++p_;
                return array;
            }
        }
    }

    const char* p_;
    const char* const end_;
    const char* const begin_ = p_;
    std::string error_;
    size_t offset_ = 0;
};

bool startsWith(const char* data, size_t size, const char* prefix) {
    const size_t n = std::strlen(prefix);
    return size >= n && std::memcmp(data, prefix, n) == 0;
}

}  // namespace

PlistNodePtr parseTextPlist(const void* data, size_t size, std::string* why) {
    if (!data && size > 0) {
        if (why) *why = "no bytes";
        return nullptr;
    }
    TextReader reader(static_cast<const char*>(data), size);
    return reader.readRoot(why);
}

PlistNodePtr parsePlistAnyFormat(const void* data, size_t size, std::string* why) {
    const auto* bytes = static_cast<const char*>(data);
    if (!bytes || size == 0) {
        if (why) *why = "not a property list";
        return nullptr;
    }
    // Leading blanks and a byte-order mark may stand before an XML declaration.
    size_t start = 0;
    if (startsWith(bytes, size, "\xEF\xBB\xBF")) start = 3;
    while (start < size &&
           (bytes[start] == ' ' || bytes[start] == '\t' || bytes[start] == '\r' || bytes[start] == '\n'))
        ++start;
    const char* head = bytes + start;
    const size_t rest = size - start;
    const bool binary = startsWith(bytes, size, "bplist00");
    const bool xml = startsWith(head, rest, "<?xml") || startsWith(head, rest, "<plist") ||
                     startsWith(head, rest, "<!DOCTYPE");
    if (!binary && !xml) return parseTextPlist(data, size, why);
    // The library reads XML only from its first "<".
    const char* from = binary ? bytes : head;
    const size_t length = binary ? size : rest;
    if (length > std::numeric_limits<uint32_t>::max()) {
        if (why) *why = "too large";
        return nullptr;
    }
    if (!plistWithinLimits(from, length, why)) return nullptr;
    // A terminating zero after the bytes keeps the XML parser inside the buffer.
    std::vector<char> copy(from, from + length);
    copy.push_back('\0');
    plist_t root = nullptr;
    plist_from_memory(copy.data(), static_cast<uint32_t>(length), &root);
    if (!root) {
        if (why) *why = binary ? "malformed binary property list" : "malformed XML property list";
        return nullptr;
    }
    return PlistNodePtr(root);
}

}  // namespace platform
