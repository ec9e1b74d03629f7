#include "platform/audio/AudioDevice.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <atomic>
#include <cstdlib>
#include <vector>

namespace platform::audio {

namespace {

std::atomic<OutputMode> gMode{OutputMode::System};

LPALCLOOPBACKOPENDEVICESOFT loopbackOpen() {
    static const auto fn =
        reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    return fn;
}

LPALCRENDERSAMPLESSOFT renderSamples() {
    static const auto fn =
        reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    return fn;
}

}  // namespace

void setOutputMode(OutputMode mode) { gMode = mode; }
OutputMode outputMode() { return gMode; }

std::unique_ptr<AudioDevice> AudioDevice::open(int mixerRate, Failure* failure) {
    const OutputMode mode = gMode;
    *failure = {};
    if (mode == OutputMode::Disabled) {
        *failure = {"Error opening output device", ALC_INVALID_DEVICE, true};
        return nullptr;
    }
    ALCdevice* device = nullptr;
    std::vector<ALCint> attributes;
    if (mode == OutputMode::Loopback) {
        if (!loopbackOpen() || !renderSamples()) {
            *failure = {"Error opening output device", ALC_INVALID_DEVICE, false};
            return nullptr;
        }
        device = loopbackOpen()(nullptr);
        // A fixed format, no head-related filtering and no limiter: the rendered mix holds each
        // source at exactly its gain.
        attributes = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT,
                      ALC_FREQUENCY,            kLoopbackRate,   ALC_HRTF_SOFT,        ALC_FALSE,
                      ALC_OUTPUT_LIMITER_SOFT,  ALC_FALSE};
    } else {
        // The library's own diagnostics would repeat what the engine reports in one line.
        setenv("ALSOFT_LOGLEVEL", "0", 0);
        device = alcOpenDevice(nullptr);
        if (mixerRate > 0) attributes = {ALC_FREQUENCY, mixerRate};
    }
    if (device == nullptr) {
        *failure = {"Error opening output device", alcGetError(nullptr), false};
        return nullptr;
    }
    attributes.push_back(0);
    ALCcontext* context = alcCreateContext(device, attributes.data());
    if (context == nullptr) {
        *failure = {"Error creating OpenAL context", alcGetError(device), false};
        alcCloseDevice(device);
        return nullptr;
    }
    if (alcMakeContextCurrent(context) != ALC_TRUE) {
        *failure = {"Error setting current OpenAL context", alcGetError(device), false};
        alcDestroyContext(context);
        alcCloseDevice(device);
        return nullptr;
    }
    return std::unique_ptr<AudioDevice>(new AudioDevice(device, context, mode == OutputMode::Loopback));
}

AudioDevice::~AudioDevice() {
    if (alcGetCurrentContext() == context_) alcMakeContextCurrent(nullptr);
    alcDestroyContext(context_);
    alcCloseDevice(device_);
}

bool AudioDevice::render(std::int16_t* out, int frames) {
    if (!loopback_ || frames < 0) return false;
    if (frames > 0) renderSamples()(device_, out, frames);
    return true;
}

}  // namespace platform::audio
