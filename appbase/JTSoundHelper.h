#pragma once
#include "core/JTObject.h"

namespace JTAppBase {

class JTAppContext;

// The game core's view of sound: effects and music through the app core.
class JTSoundHelper : public JTCore::JTObject {
  public:
    explicit JTSoundHelper(JTAppContext* context) : context_(context) {}
    virtual void playSound(int n);
    virtual void playEffect(int n) { playSound(n); }
    virtual void playMusic(int n);
    virtual void stopLoopingSounds();
    virtual bool isMusicEnabled();

  private:
    JTCore::JTWeakPtr<JTAppContext> context_;
};

}  // namespace JTAppBase
