#pragma once
// The headless run's sound: the engine's loopback mix rendered tick by tick into a WAV file,
// 441 stereo frames at 44 100 Hz for each 10 ms tick, so the file lines up with the ticks.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::audio {
class WavWriter;
}

class SoundRecorder {
  public:
    static constexpr int kFramesPerTick = 441;

    // Creates the file; nothing when the path cannot be written, with the reason in `error`. The
    // engine's output must be the loopback device for the mix to be heard.
    static std::unique_ptr<SoundRecorder> create(const std::string& path, std::string* error);
    // The file is put in place by finish() only.
    ~SoundRecorder();

    // Renders the mix of every tick up to `ticks` not rendered yet; false when the file failed.
    bool catchUp(long long ticks);
    // Completes the file; false (with the reason) when it could not be written whole.
    bool finish(std::string* error);
    long long ticksRendered() const { return ticks_; }

  private:
    SoundRecorder() = default;

    std::unique_ptr<platform::audio::WavWriter> writer_;
    std::vector<std::int16_t> block_;
    long long ticks_ = 0;
};
