#pragma once
#include "core/JTString.h"

namespace JTCore {

class JTBoolean : public JTObject {
  public:
    explicit JTBoolean(bool value) : value_(value) {}
    ~JTBoolean() override = default;

    bool value() const { return value_; }

    Ref<JTString> toString() const override;
    bool equals(const Ref<JTObject>& other) const override;
    int32_t hashCode() const override { return value_ ? 1 : 0; }

    // The shared TRUE and FALSE objects.
    static const Ref<JTBoolean>& True();
    static const Ref<JTBoolean>& False();

  private:
    bool value_;
};

}  // namespace JTCore
