#include "sound/SoundEngine.h"

#include <AL/al.h>

#include <algorithm>
#include <memory>

#include "sound/SoundEffectManager.h"
#include "sound/SoundLog.h"
#include "sound/SoundMusicPlayer.h"

using sound::kSoundNoDevice;
using sound::kSoundNoEffect;
using sound::kSoundNotSetUp;
using sound::kSoundOk;

namespace {

std::unique_ptr<sound::SoundEffectManager> gEffects;
std::unique_ptr<sound::SoundMusicPlayer> gMusic;
constexpr float kGlobalVolumeFactor = 1.0f;

// Effects loaded before the engine was set up bring OpenAL up at the device's own rate.
sound::SoundEffectManager* effectManager() {
    if (!gEffects) {
        gEffects = std::make_unique<sound::SoundEffectManager>(0.0f);
        gEffects->openOutput();
    }
    return gEffects.get();
}

template <class Fn>
int withEffect(unsigned long handle, Fn fn) {
    if (!gEffects) return kSoundNotSetUp;
    sound::SoundEffect* effect = gEffects->find(handle);
    if (effect == nullptr) return kSoundNoEffect;
    return fn(*effect);
}

int alStatus(const char* message) {
    const ALenum err = alGetError();
    return err == AL_NO_ERROR ? kSoundOk : sound::reportAlError(message, err);
}

}  // namespace

int SoundSystemInitialize(float mixerOutputRate) {
    SoundSystemTeardown();
    gEffects = std::make_unique<sound::SoundEffectManager>(mixerOutputRate);
    gMusic = std::make_unique<sound::SoundMusicPlayer>();
    return gEffects->openOutput();
}

bool SoundSystemAdoptLateOutput() {
    return gEffects && !gEffects->hasOutput() && gEffects->adoptLateOutput();
}

int SoundSystemTeardown() {
    // The music's source lives in the effect manager's context.
    gMusic.reset();
    gEffects.reset();
    return kSoundOk;
}

int SoundSystemSetListenerPosition(float x, float y, float z) {
    if (!gEffects) return kSoundNotSetUp;
    if (!gEffects->hasOutput()) return kSoundNoDevice;
    alGetError();
    alListener3f(AL_POSITION, x, y, z);
    return alStatus("Error setting listener position");
}

int SoundSystemLoadEffect(const std::string& path, unsigned long* outHandle) {
    return effectManager()->loadEffect(path, false, {}, {}, outHandle);
}

int SoundSystemLoadLoopingEffect(const std::string& loopPath, const std::string& attackPath,
                                 const std::string& decayPath, unsigned long* outHandle) {
    return effectManager()->loadEffect(loopPath, true, attackPath, decayPath, outHandle);
}

int SoundSystemUnloadEffect(unsigned long handle) {
    if (!gEffects) return kSoundNotSetUp;
    return gEffects->unloadEffect(handle);
}

int SoundSystemStartEffect(unsigned long handle) {
    return withEffect(handle, [](sound::SoundEffect& e) { return e.start(); });
}

int SoundSystemStopEffect(unsigned long handle, bool withDecay) {
    return withEffect(handle, [withDecay](sound::SoundEffect& e) { return e.stop(withDecay); });
}

int SoundSystemSetEffectPitch(unsigned long handle, float pitch) {
    return withEffect(handle, [pitch](sound::SoundEffect& e) {
        alGetError();
        alSourcef(e.source(), AL_PITCH, pitch);
        return alStatus("Error setting effect pitch");
    });
}

int SoundSystemSetEffectLevel(unsigned long handle, float level) {
    return withEffect(handle, [level](sound::SoundEffect& e) {
        alGetError();
        alSourcef(e.source(), AL_GAIN, std::max(0.0f, level * kGlobalVolumeFactor));
        return alStatus("Error setting effect level");
    });
}

int SoundSystemSetEffectPosition(unsigned long handle, float x, float y, float z) {
    return withEffect(handle, [x, y, z](sound::SoundEffect& e) {
        alGetError();
        alSource3f(e.source(), AL_POSITION, x, y, z);
        return alStatus("Error setting effect position");
    });
}

int SoundSystemLoadMusic(const std::string& path, bool addToQueue, bool loadAtOnce) {
    if (!effectManager()->hasOutput()) return kSoundNoDevice;
    if (!gMusic) gMusic = std::make_unique<sound::SoundMusicPlayer>();
    return gMusic->addTrack(path, addToQueue, loadAtOnce);
}

int SoundSystemStartMusic() {
    if (!gMusic) return kSoundNotSetUp;
    return gMusic->start();
}

int SoundSystemUnloadMusic() {
    gMusic.reset();
    return kSoundOk;
}

int SoundSystemSetMusicVolume(float volume) {
    if (!gMusic) return kSoundNotSetUp;
    return gMusic->setVolume(std::max(0.0f, volume));
}

float SoundSystemGlobalVolumeFactor() {
    return kGlobalVolumeFactor;
}

int SoundSystemRenderMix(std::int16_t* out, int frames) {
    if (frames <= 0) return kSoundOk;
    platform::audio::AudioDevice* device = gEffects ? gEffects->device() : nullptr;
    if (device == nullptr || !device->isLoopback()) {
        std::fill(out, out + static_cast<std::ptrdiff_t>(frames) * 2, std::int16_t{0});
        return kSoundOk;
    }
    device->render(out, frames);
    gEffects->clock().blockMixed();
    return kSoundOk;
}
