#include "appbase/JTAccelerometerHelper.h"

#include "appbase/JTAppContext.h"
#include "appbase/ShellLinks.h"

namespace JTAppBase {

namespace {

const AccelerometerLink* tiltOf(const JTCore::JTWeakPtr<JTAppContext>& weak) {
    auto context = weak.lock();
    if (!context || context->getGameView() == nullptr) return nullptr;
    return context->getGameView()->accelerometerHelper();
}

}  // namespace

float JTAccelerometerHelper::getAccelerationH() {
    const AccelerometerLink* tilt = tiltOf(context_);
    return tilt ? static_cast<float>(tilt->accelerationFromNeutralH()) : 0.0f;
}

float JTAccelerometerHelper::getRotationH() {
    const AccelerometerLink* tilt = tiltOf(context_);
    if (!tilt) return 0.0f;
    float h = 0, v = 0;
    tilt->getAnglesFromNeutral(&h, &v);
    return h;
}

float JTAccelerometerHelper::getRotationV() {
    const AccelerometerLink* tilt = tiltOf(context_);
    if (!tilt) return 0.0f;
    float h = 0, v = 0;
    tilt->getAnglesFromNeutral(&h, &v);
    return v;
}

}  // namespace JTAppBase
