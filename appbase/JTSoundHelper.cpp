#include "appbase/JTSoundHelper.h"

#include "appbase/JTAppContext.h"
#include "appbase/ShellLinks.h"

namespace JTAppBase {

namespace {

AppCoreLink* appCoreOf(const JTCore::JTWeakPtr<JTAppContext>& weak) {
    auto context = weak.lock();
    return context ? context->getAppCore() : nullptr;
}

}  // namespace

void JTSoundHelper::playSound(int n) {
    if (auto* core = appCoreOf(context_)) core->playSound(n);
}

void JTSoundHelper::playMusic(int n) {
    if (auto* core = appCoreOf(context_)) core->playMusic(n);
}

void JTSoundHelper::stopLoopingSounds() {
    if (auto* core = appCoreOf(context_)) core->stopLoopingEffects(true, true);
}

bool JTSoundHelper::isMusicEnabled() {
    auto* core = appCoreOf(context_);
    return core != nullptr && core->musicIsEnabled();
}

}  // namespace JTAppBase
