#pragma once
#include "core/JTString.h"

namespace JTCore {

// Mutable text. toString shares the builder's own text instead of copying it.
class JTStringBuilder : public JTObject {
  public:
    JTStringBuilder();
    ~JTStringBuilder() override = default;

    Ref<JTStringBuilder> append(const Ref<JTString>& text);
    Ref<JTStringBuilder> insert(int index, const Ref<JTString>& text);
    Ref<JTStringBuilder> appendInt(int value);
    Ref<JTStringBuilder> appendCString(const char* utf8);

    // Length in UTF-16 units; setLength truncates or pads with U+0000.
    int length() const { return static_cast<int>(text_->size()); }
    void setLength(int n);

    Ref<JTString> toString() const override;

    static void addInt(const Ref<JTStringBuilder>& builder, int value);

  private:
    Ref<JTStringBuilder> self() { return Ref<JTStringBuilder>(this); }
    NSString text_;
};

}  // namespace JTCore
