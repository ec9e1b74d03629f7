#include "core/JTStringBuilder.h"

#include <cassert>
#include <stdexcept>
#include <string>

#include "core/Utf16.h"

namespace JTCore {

JTStringBuilder::JTStringBuilder() : text_(std::make_shared<std::u16string>()) {}

Ref<JTStringBuilder> JTStringBuilder::append(const Ref<JTString>& text) {
    assert(text && "append of a null string");
    text_->append(text->utf16());
    return self();
}

Ref<JTStringBuilder> JTStringBuilder::insert(int index, const Ref<JTString>& text) {
    assert(text && "insert of a null string");
    if (index < 0 || index > length()) throw std::out_of_range("out of range");
    text_->insert(static_cast<size_t>(index), text->utf16());
    return self();
}

Ref<JTStringBuilder> JTStringBuilder::appendInt(int value) {
    const std::string digits = std::to_string(value);
    text_->append(digits.begin(), digits.end());
    return self();
}

Ref<JTStringBuilder> JTStringBuilder::appendCString(const char* utf8) {
    if (utf8 != nullptr) text_->append(utf8ToUtf16(utf8));
    return self();
}

void JTStringBuilder::setLength(int n) {
    if (n < 0) n = 0;
    text_->resize(static_cast<size_t>(n), u'\0');
}

Ref<JTString> JTStringBuilder::toString() const {
    return makeRef<JTString>(text_);
}

void JTStringBuilder::addInt(const Ref<JTStringBuilder>& builder, int value) {
    builder->appendInt(value);
}

}  // namespace JTCore
