#pragma once
#include "core/JTObject.h"

namespace JTAppBase {

class JTAppContext;

// The game core's view of keys.
class JTKeyHelper : public JTCore::JTObject {
  public:
    explicit JTKeyHelper(JTAppContext* context) : context_(context) {}
    // The phone has no keys: always 0. Levels read bit 2 as left and bit 3 as right.
    virtual int getKeyState() { return 0; }

  private:
    JTCore::JTWeakPtr<JTAppContext> context_;
};

}  // namespace JTAppBase
