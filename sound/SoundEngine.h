#pragma once
// The sound engine: short effects played from whole OpenAL buffers, and one music track list
// streamed through a source. Free functions over two process-wide objects; the sound objects call
// them on the main thread. Each returns a status: 0, one of the codes below, an OpenAL error, or
// a negative file failure (platform/audio/AudioFile.h).
#include <cstdint>
#include <string>

namespace sound {

constexpr int kSoundOk = 0;
constexpr int kSoundNotSetUp = 1;  // no effect manager
constexpr int kSoundNoEffect = 2;  // no effect with that handle
constexpr int kSoundBadPath = 3;   // the path cannot name a file
constexpr int kSoundNoDevice = 5;  // no output device

}  // namespace sound

// Waits for the output device at most platform::audio::DeviceOpener::timeout(); without an
// answer by then it returns kSoundNoDevice and the engine stays silent.
int SoundSystemInitialize(float mixerOutputRate);
// An engine without an output takes the device of an earlier open that has answered since, never
// waiting. True when it took one now: effects loaded before were refused and must load again.
bool SoundSystemAdoptLateOutput();
int SoundSystemTeardown();
int SoundSystemSetListenerPosition(float x, float y, float z);

// Empty attack or decay paths mean none.
int SoundSystemLoadEffect(const std::string& path, unsigned long* outHandle);
int SoundSystemLoadLoopingEffect(const std::string& loopPath, const std::string& attackPath,
                                 const std::string& decayPath, unsigned long* outHandle);
int SoundSystemUnloadEffect(unsigned long handle);
int SoundSystemStartEffect(unsigned long handle);
int SoundSystemStopEffect(unsigned long handle, bool withDecay);
int SoundSystemSetEffectPitch(unsigned long handle, float pitch);
int SoundSystemSetEffectLevel(unsigned long handle, float level);
int SoundSystemSetEffectPosition(unsigned long handle, float x, float y, float z);

int SoundSystemLoadMusic(const std::string& path, bool addToQueue, bool loadAtOnce);
int SoundSystemStartMusic();
int SoundSystemUnloadMusic();
int SoundSystemSetMusicVolume(float volume);

// Scales every effect level and the music volume; stays 1.0.
float SoundSystemGlobalVolumeFactor();

// The headless run's ear: mixes the next `frames` stereo frames of the loopback output into `out`
// (interleaved 16-bit). Without a loopback output (engine down, no device) it writes silence.
int SoundSystemRenderMix(std::int16_t* out, int frames);
