#include "platform/audio/AudioDevice.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

namespace platform::audio {

namespace {

std::atomic<OutputMode> gMode{OutputMode::System};

LPALCLOOPBACKOPENDEVICESOFT loopbackOpen() {
    static const auto fn = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    return fn;
}

LPALCRENDERSAMPLESSOFT renderSamples() {
    static const auto fn =
        reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    return fn;
}

extern "C" void silentAlsaErrorHandler(const char*, int, const char*, int, const char*, ...) {}

// OpenAL's ALSA backend leaves the sound library's own complaints on stderr when there is no sound
// card; the engine already reports the missing device in one line. The library is the one OpenAL
// loads itself, found by name, and left alone when it is not there.
void quietenAlsa() {
    static const bool done = [] {
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
        if (alsa == nullptr) alsa = dlopen("libasound.so.2", RTLD_LAZY);
        if (alsa == nullptr) return false;
        auto setHandler = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
        if (setHandler) setHandler(&silentAlsaErrorHandler);
        return true;
    }();
    (void)done;
}

}  // namespace

void setOutputMode(OutputMode mode) {
    gMode = mode;
}
OutputMode outputMode() {
    return gMode;
}

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
        // Float samples (which the library leaves undithered), no head-related filtering and no
        // limiter: the rendered mix holds each source at exactly its gain, and silence is zero.
        attributes = {ALC_FORMAT_CHANNELS_SOFT,
                      ALC_STEREO_SOFT,
                      ALC_FORMAT_TYPE_SOFT,
                      ALC_FLOAT_SOFT,
                      ALC_FREQUENCY,
                      kLoopbackRate,
                      ALC_HRTF_SOFT,
                      ALC_FALSE,
                      ALC_OUTPUT_LIMITER_SOFT,
                      ALC_FALSE};
    } else {
        quietenAlsa();
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
    const size_t samples = static_cast<size_t>(frames) * kLoopbackChannels;
    if (mix_.size() < samples) mix_.resize(samples);
    if (frames > 0) renderSamples()(device_, mix_.data(), frames);
    for (size_t i = 0; i < samples; ++i)
        out[i] = static_cast<std::int16_t>(std::lround(std::clamp(mix_[i] * 32768.0f, -32768.0f, 32767.0f)));
    return true;
}

}  // namespace platform::audio
