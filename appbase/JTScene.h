#pragma once
#include "core/JTString.h"

namespace JTAppBase {

class JTAppContext;

// What the game view ticks and renders: a frame period, a canvas size, one tick per game step
// and one render per displayed frame.
class JTScene : public JTCore::JTObject {
  public:
    explicit JTScene(JTAppContext* context) : context_(context) {}

    virtual float getFramePeriodMillis() const = 0;
    virtual int getCanvasWidth() const = 0;
    virtual int getCanvasHeight() const = 0;
    virtual void tick() = 0;
    virtual void render() = 0;
    // Extra buttons of the pause screen; the base has none.
    virtual JTCore::Ref<JTCore::JTString> getPauseButtonTitle(int n) { return nullptr; }
    virtual void onPauseButton(int n) {}

    JTCore::Ref<JTAppContext> getAppContext() const { return context_.lock(); }

  private:
    JTCore::JTWeakPtr<JTAppContext> context_;
};

// The shared hex digits "0123456789abcdef".
const JTCore::Ref<JTCore::JTString>& hexDigits();

}  // namespace JTAppBase
