#pragma once
// The OpenAL output the sound engine plays into. A window run plays to the system's default
// device; a headless run either renders the mix itself through OpenAL Soft's loopback device (to
// write it to a file in step with its virtual clock) or opens no device at all.
#include <AL/alc.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::audio {

enum class OutputMode {
    System,    // the default playback device
    Loopback,  // rendered on request: 16-bit stereo at kLoopbackRate
    Disabled,  // no device is opened
};

// Chosen once at start-up, before the sound engine opens its device.
void setOutputMode(OutputMode mode);
OutputMode outputMode();

class AudioDevice {
  public:
    static constexpr int kLoopbackRate = 44100;
    static constexpr int kLoopbackChannels = 2;

    // What went wrong when no device could be had: the step that failed (one of the engine's
    // messages) and the OpenAL error. `disabled` tells a run that asked for no sound from a
    // machine without any.
    struct Failure {
        const char* step = "";
        int alcError = 0;
        bool disabled = false;
    };

    // Opens the device of the current mode and makes a new context on it current. `mixerRate`
    // (Hz, 0 = the device's own) asks the system device for that output rate. It takes as long as
    // the library's backends take, which may be for ever: the engine calls it through
    // DeviceOpener, off the main thread.
    static std::unique_ptr<AudioDevice> open(int mixerRate, Failure* failure);
    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    bool isLoopback() const { return loopback_; }
    // Loopback only: mixes the next `frames` frames into `out` (interleaved stereo). False on a
    // system device.
    bool render(std::int16_t* out, int frames);

  private:
    AudioDevice(ALCdevice* device, ALCcontext* context, bool loopback)
        : device_(device), context_(context), loopback_(loopback) {}

    ALCdevice* device_;
    ALCcontext* context_;
    bool loopback_;
    std::vector<float> mix_;
};

}  // namespace platform::audio
