#pragma once
// The effects of the process: the OpenAL output and every loaded effect by handle.
#include <map>
#include <memory>
#include <string>

#include "platform/audio/AudioDevice.h"
#include "platform/audio/DeviceOpener.h"
#include "sound/MixClock.h"
#include "sound/SoundEffect.h"

namespace sound {

class SoundEffectManager {
  public:
    explicit SoundEffectManager(float mixerOutputRate) : mixerOutputRate_(mixerOutputRate) {}
    // Every effect goes first, then the context and the device.
    ~SoundEffectManager();
    SoundEffectManager(const SoundEffectManager&) = delete;
    SoundEffectManager& operator=(const SoundEffectManager&) = delete;

    // Opens the output, waiting for the device at most DeviceOpener::timeout(); 0, or 5 when there
    // is none (yet). A device that does not answer in time is warned about once and the game
    // plays silent.
    int openOutput();
    // Without an output: takes the device of an earlier open that has answered since, never
    // waiting. True when there is an output now.
    bool adoptLateOutput();
    bool hasOutput() const { return device_ != nullptr; }
    platform::audio::AudioDevice* device() const { return device_.get(); }

    // Empty attack or decay paths mean none.
    int loadEffect(const std::string& loopPath, bool looping, const std::string& attackPath,
                   const std::string& decayPath, unsigned long* outHandle);
    int unloadEffect(unsigned long handle);
    SoundEffect* find(unsigned long handle) const;
    std::size_t effectCount() const { return effects_.size(); }

    float gain() const { return gain_; }
    MixClock& clock() { return clock_; }

  private:
    int takeOutput(platform::audio::DeviceOpener::Result result);

    float mixerOutputRate_;
    float gain_ = 1.0f;
    std::unique_ptr<platform::audio::AudioDevice> device_;
    std::map<unsigned long, std::unique_ptr<SoundEffect>> effects_;
    MixClock clock_;
};

}  // namespace sound
