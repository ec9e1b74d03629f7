#pragma once
#include "core/JTObject.h"

namespace JTAppBase {

class JTAppContext;

// The game core's view of tilt, read from the game view's sensor.
class JTAccelerometerHelper : public JTCore::JTObject {
  public:
    explicit JTAccelerometerHelper(JTAppContext* context) : context_(context) {}
    // 0.0 while the game view has no tilt sensor.
    virtual float getAccelerationH();
    virtual float getRotationH();
    virtual float getRotationV();

  private:
    JTCore::JTWeakPtr<JTAppContext> context_;
};

}  // namespace JTAppBase
