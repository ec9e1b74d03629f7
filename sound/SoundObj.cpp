#include "sound/SoundObj.h"

#include <algorithm>

#include "platform/audio/AudioSession.h"
#include "platform/foundation/Log.h"
#include "sound/SoundEngine.h"

namespace {

struct ClassState {
    std::vector<std::shared_ptr<SoundObj>> registry;
    bool musicEnabled = true;
    bool musicObjectExists = false;
    bool engineReady = false;
    double masterVolume = 0.0;
    std::string bundleDirectory;
};

ClassState& state() {
    static ClassState s;
    return s;
}

}  // namespace

const std::vector<std::shared_ptr<SoundObj>>& SoundObj::soundObjs() {
    return state().registry;
}

bool SoundObj::engineReady() {
    return state().engineReady;
}
double SoundObj::masterVolume() {
    return state().masterVolume;
}
bool SoundObj::musicIsEnabled() {
    return state().musicEnabled;
}
void SoundObj::setBundleDirectory(std::string directory) {
    state().bundleDirectory = std::move(directory);
}

void SoundObj::setupWithVolume(int percent) {
    ClassState& s = state();
    if (!s.engineReady) {
        // With the sound off from the start nothing is opened until the player turns it up.
        if (percent == 0) return;
        updateAudioSession();
        SoundSystemInitialize(44100.0f);
        SoundSystemSetListenerPosition(0, 0, 1);
        s.engineReady = true;
        // Loading may add nothing to the registry, but copy it: a caller's object could go.
        const auto objects = s.registry;
        for (const auto& obj : objects) obj->loadResource();
    } else if (SoundSystemAdoptLateOutput()) {
        // The device answered after the engine had started silent: what it refused loads now.
        SoundSystemSetListenerPosition(0, 0, 1);
        const auto objects = s.registry;
        for (const auto& obj : objects) obj->loadResource();
    }
    s.masterVolume = percent / 100.0;
    const auto objects = s.registry;
    for (const auto& obj : objects) obj->onUpdateVolume();
}

void SoundObj::teardown() {
    ClassState& s = state();
    const auto objects = s.registry;
    for (const auto& obj : objects) obj->unloadResource();
    s.registry.clear();
    if (s.engineReady) SoundSystemTeardown();
    s.engineReady = false;
}

void SoundObj::updateAudioSession() {
    auto& session = platform::audio::AudioSession::shared();
    session.setCategory(state().musicObjectExists && state().musicEnabled
                            ? platform::audio::AudioSession::Category::SoloAmbient
                            : platform::audio::AudioSession::Category::Ambient);
    session.setActive(true);
}

void SoundObj::setMusicIsEnabled(bool enabled) {
    state().musicEnabled = enabled;
    updateAudioSession();
}

std::shared_ptr<SoundObj> SoundObj::newEffectWithResourceName(const std::string& name,
                                                              const std::string& type) {
    const std::string& dir = state().bundleDirectory;
    return initWithType(kTypeEffect, dir.empty() ? std::string() : dir + "/" + name + "." + type);
}

std::shared_ptr<SoundObj> SoundObj::newLoopingEffectWithResourceName(const std::string& name,
                                                                     const std::string& type) {
    const std::string& dir = state().bundleDirectory;
    return initWithType(kTypeLoopingEffect, dir.empty() ? std::string() : dir + "/" + name + "." + type);
}

std::shared_ptr<SoundObj> SoundObj::newMusicWithResourceName(const std::string& name,
                                                             const std::string& type) {
    const std::string& dir = state().bundleDirectory;
    return initWithType(kTypeMusic, dir.empty() ? std::string() : dir + "/" + name + "." + type);
}

std::shared_ptr<SoundObj> SoundObj::initWithType(int type, std::string resourcePath) {
    std::shared_ptr<SoundObj> obj(new SoundObj(type, std::move(resourcePath)));
    if (type == kTypeMusic) state().musicObjectExists = true;
    state().registry.push_back(obj);
    if (state().engineReady) obj->loadResource();
    return obj;
}

void SoundObj::stopLoopingEffects(bool stopEffects, bool stopMusic) {
    const auto objects = state().registry;
    for (const auto& obj : objects) {
        if (!obj->playingLoop_) continue;
        if ((obj->type_ == kTypeLoopingEffect && stopEffects) || (obj->type_ == kTypeMusic && stopMusic))
            obj->stop();
    }
}

void SoundObj::loadResource() {
    if (!state().engineReady) return;
    if (isEffect()) {
        if (handle_ != 0) return;
        unsigned long handle = 0;
        const int status = type_ == kTypeEffect
                               ? SoundSystemLoadEffect(resourcePath_, &handle)
                               : SoundSystemLoadLoopingEffect(resourcePath_, {}, {}, &handle);
        if (status != sound::kSoundOk) return;
        handle_ = handle;
        platform::logMessage("-[SoundObj loadResource]", 1, "SE handle " + std::to_string(handle_));
        setPosition(0, 0, 0);
    } else if (type_ == kTypeMusic && playingLoop_) {
        playingLoop_ = false;
        start();
    }
}

void SoundObj::unloadResource() {
    stop();
    if (state().engineReady && isEffect() && handle_ != 0) {
        SoundSystemUnloadEffect(handle_);
        handle_ = 0;
    }
}

void SoundObj::dispose() {
    unloadResource();
    auto& registry = state().registry;
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [this](const std::shared_ptr<SoundObj>& obj) { return obj.get() == this; }),
                   registry.end());
}

void SoundObj::start() {
    const bool ready = state().engineReady;
    switch (type_) {
        case kTypeEffect:
            if (ready && handle_ != 0) SoundSystemStartEffect(handle_);
            break;
        case kTypeLoopingEffect:
            if (ready && handle_ != 0 && !playingLoop_) SoundSystemStartEffect(handle_);
            playingLoop_ = true;
            break;
        case kTypeMusic:
            if (playingLoop_) break;
            stopLoopingEffects(false, true);
            if (!state().musicEnabled) break;
            playingLoop_ = true;
            if (ready) {
                SoundSystemLoadMusic(resourcePath_, false, false);
                onUpdateVolume();
                SoundSystemStartMusic();
                platform::logMessage("-[SoundObj start]", 1, "start music");
            }
            break;
        default:
            break;
    }
}

void SoundObj::stop() {
    const bool ready = state().engineReady;
    switch (type_) {
        case kTypeEffect:
            if (ready && handle_ != 0) SoundSystemStopEffect(handle_, false);
            break;
        case kTypeLoopingEffect:
            if (ready && handle_ != 0 && playingLoop_) SoundSystemStopEffect(handle_, false);
            playingLoop_ = false;
            break;
        case kTypeMusic:
            if (!playingLoop_) break;
            if (ready) {
                platform::logMessage("-[SoundObj stop]", 1, "stopping music");
                SoundSystemUnloadMusic();
            }
            playingLoop_ = false;
            break;
        default:
            break;
    }
}

void SoundObj::setVolume(int percent) {
    sndVolume_ = static_cast<float>(percent) / 100.0f;
    onUpdateVolume();
}

void SoundObj::onUpdateVolume() {
    if (!state().engineReady) return;
    const float level = static_cast<float>(state().masterVolume) * sndVolume_;
    if (isEffect()) {
        if (handle_ != 0) SoundSystemSetEffectLevel(handle_, level);
    } else if (type_ == kTypeMusic && playingLoop_) {
        SoundSystemSetMusicVolume(level);
    }
}

void SoundObj::setPosition(float x, float y, float z) {
    if (state().engineReady && isEffect() && handle_ != 0) SoundSystemSetEffectPosition(handle_, x, y, z);
}

void SoundObj::setPitch(float pitch) {
    if (state().engineReady && isEffect() && handle_ != 0) SoundSystemSetEffectPitch(handle_, pitch);
}
