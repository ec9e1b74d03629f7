#pragma once
#include "core/JTString.h"

namespace JTCore {

// Thrown as Ref<JTException> for malformed data.
class JTException : public JTObject {
  public:
    explicit JTException(Ref<JTString> message) : message_(std::move(message)) {}
    explicit JTException(const char* message) : message_(makeRef<JTString>(message)) {}
    ~JTException() override = default;

    virtual Ref<JTString> getMessage() const { return message_; }
    // Writes "[WARN] Exception: <message>" to the console.
    virtual void printStackTrace() const;

  private:
    Ref<JTString> message_;
};

}  // namespace JTCore
