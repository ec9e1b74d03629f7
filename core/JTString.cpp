#include "core/JTString.h"

#include "core/Utf16.h"

namespace JTCore {

JTString::JTString(const char* utf8)
    : text_(
          std::make_shared<std::u16string>(utf8ToUtf16(utf8 ? std::string_view(utf8) : std::string_view()))) {
}

JTString::JTString(std::string_view utf8) : text_(std::make_shared<std::u16string>(utf8ToUtf16(utf8))) {}

JTString::JTString(NSString text) : text_(text ? std::move(text) : std::make_shared<std::u16string>()) {}

Ref<JTString> JTString::fromNSString(NSString text) {
    return makeRef<JTString>(std::move(text));
}

Ref<JTString> JTString::toString() const {
    return Ref<JTString>(const_cast<JTString*>(this));
}

bool JTString::equals(const Ref<JTObject>& other) const {
    Ref<JTString> s = dynamicRef<JTString>(other);
    return s && *s->text_ == *text_;
}

int32_t JTString::hashCode() const {
    // FNV-1a over the UTF-16 units: equal texts hash alike, whatever object holds them.
    uint32_t h = 2166136261u;
    for (char16_t c : *text_) {
        h = (h ^ static_cast<uint32_t>(c)) * 16777619u;
    }
    return static_cast<int32_t>(h);
}

std::string JTString::toUtf8() const {
    return utf16ToUtf8(*text_);
}

const Ref<JTString>& emptyString() {
    static const Ref<JTString> s = makeRef<JTString>("");
    return s;
}

const Ref<JTString>& trueString() {
    static const Ref<JTString> s = makeRef<JTString>("true");
    return s;
}

const Ref<JTString>& falseString() {
    static const Ref<JTString> s = makeRef<JTString>("false");
    return s;
}

}  // namespace JTCore
