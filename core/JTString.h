#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "core/JTObject.h"

namespace JTCore {

// The shared text object behind a JTString. A string made from a builder shares the builder's
// text, so later appends show through it, as they did on the original platform.
using NSString = std::shared_ptr<std::u16string>;

class JTString : public JTObject {
  public:
    explicit JTString(const char* utf8);
    explicit JTString(std::string_view utf8);
    explicit JTString(NSString text);  // retained, not copied
    ~JTString() override = default;

    static Ref<JTString> fromNSString(NSString text);

    Ref<JTString> toString() const override;
    bool equals(const Ref<JTObject>& other) const override;
    int32_t hashCode() const override;

    // Length in UTF-16 units.
    int length() const { return static_cast<int>(text_->size()); }
    const std::u16string& utf16() const { return *text_; }
    std::string toUtf8() const;
    const NSString& nsString() const { return text_; }

  private:
    NSString text_;
};

// The shared constants: the empty string and the texts "true" and "false".
const Ref<JTString>& emptyString();
const Ref<JTString>& trueString();
const Ref<JTString>& falseString();

}  // namespace JTCore
