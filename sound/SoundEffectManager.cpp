#include "sound/SoundEffectManager.h"

#include <AL/al.h>

#include <cstdio>
#include <string>

#include "platform/foundation/Log.h"
#include "sound/SoundEngine.h"
#include "sound/SoundLog.h"

namespace sound {

SoundEffectManager::~SoundEffectManager() {
    effects_.clear();
    device_.reset();
}

int SoundEffectManager::openOutput() {
    return takeOutput(platform::audio::DeviceOpener::open(static_cast<int>(mixerOutputRate_)));
}

bool SoundEffectManager::adoptLateOutput() {
    if (device_) return true;
    if (!platform::audio::DeviceOpener::attemptWaiting()) return false;
    return takeOutput(platform::audio::DeviceOpener::poll()) == kSoundOk;
}

int SoundEffectManager::takeOutput(platform::audio::DeviceOpener::Result result) {
    device_ = std::move(result.device);
    if (device_) return kSoundOk;
    if (result.waiting) {
        if (result.timedOut) {
            const auto ms = static_cast<long long>(platform::audio::DeviceOpener::timeout().count());
            const std::string line =
                "Error opening output device: no answer within " + std::to_string(ms) + " ms";
            platform::logMessage(line.c_str(), 3, "the game plays without sound until the device answers");
        }
        return kSoundNoDevice;
    }
    const platform::audio::AudioDevice::Failure& failure = result.failure;
    char line[160];
    std::snprintf(line, sizeof line, "%s: %x", failure.step, static_cast<unsigned>(failure.alcError));
    if (failure.disabled) {
        // A run that asked for no sound hears none; that is not worth a warning.
        platform::logMessage(line, 1, "sound output is off for this run");
    } else if (result.late) {
        // Warned about once already, when it did not answer.
        platform::logMessage(line, 1, "the late device answered without an output");
    } else {
        platform::logMessage(line, 3, "no audio output: the game plays without sound");
    }
    return kSoundNoDevice;
}

int SoundEffectManager::loadEffect(const std::string& loopPath, bool looping, const std::string& attackPath,
                                   const std::string& decayPath, unsigned long* outHandle) {
    // Without a device every effect stays silent; the one warning was given when opening.
    if (!device_) return kSoundNoDevice;
    if (loopPath.empty()) return reportStatus("Error opening file", kSoundBadPath);
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (ALenum err = alGetError(); err != AL_NO_ERROR) return reportAlError("Error generating source", err);
    SoundEffect::countSourceMade();
    auto effect = std::make_unique<SoundEffect>(source, looping, &clock_);
    int status = 0;
    if (!looping) {
        status = effect->loadLoop(loopPath, "Error loading file info");
        if (status == 0) status = effect->bindLoopBuffer();
    } else {
        if (!attackPath.empty()) status = effect->loadAttack(attackPath);
        if (status == 0) status = effect->loadLoop(loopPath, "Error loading looping file info");
        if (status == 0 && !decayPath.empty()) status = effect->loadDecay(decayPath);
    }
    if (status != 0) return status;  // the effect and its source go with `effect`
    *outHandle = source;
    effects_[source] = std::move(effect);
    return kSoundOk;
}

int SoundEffectManager::unloadEffect(unsigned long handle) {
    auto it = effects_.find(handle);
    if (it == effects_.end()) return kSoundNoEffect;
    effects_.erase(it);
    return kSoundOk;
}

SoundEffect* SoundEffectManager::find(unsigned long handle) const {
    auto it = effects_.find(handle);
    return it == effects_.end() ? nullptr : it->second.get();
}

}  // namespace sound
