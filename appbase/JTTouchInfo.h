#pragma once
#include "core/JTObject.h"

namespace JTAppBase {

// One touch as a scene sees it, in canvas points.
class JTTouchInfo : public JTCore::JTObject {
  public:
    JTTouchInfo() = default;
    virtual float getX() const { return x_; }
    virtual void setX(float x) { x_ = x; }
    virtual float getY() const { return y_; }
    virtual void setY(float y) { y_ = y; }
    virtual bool isTouching() const { return touching_; }
    virtual void setTouching(bool on) { touching_ = on; }

  private:
    float x_ = 0;
    float y_ = 0;
    bool touching_ = false;
};

}  // namespace JTAppBase
