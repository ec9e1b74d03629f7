#pragma once
// Sound for tests: tone files written with libsndfile, and the engine's loopback mix rendered in
// 10 ms blocks (441 stereo frames, one game tick each) with each block's loudest sample.
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio/AudioDevice.h"
#include "sound/SoundEngine.h"

namespace tikoleap::test {

constexpr int kBlockFrames = 441;

// A sine tone of `seconds` at `amplitude` (0 to 1) as 8- or 16-bit PCM WAV, or 32-bit float.
inline bool writeTone(const std::string& path, double seconds, double amplitude, int sampleRate = 22050,
                      int bits = 16, int channels = 1, double hz = 1000) {
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | (bits == 8    ? SF_FORMAT_PCM_U8
                                   : bits == 32 ? SF_FORMAT_FLOAT
                                                : SF_FORMAT_PCM_16);
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) return false;
    const auto frames = static_cast<sf_count_t>(seconds * sampleRate);
    std::vector<double> samples(static_cast<size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[static_cast<size_t>(i * channels + c)] =
                amplitude * std::sin(6.283185307 * hz * i / sampleRate);
    const bool ok = sf_writef_double(f, samples.data(), frames) == frames;
    return sf_close(f) == 0 && ok;
}

// Puts the engine's output on the loopback device for the life of the object.
class LoopbackOutput {
  public:
    LoopbackOutput() : previous_(platform::audio::outputMode()) {
        platform::audio::setOutputMode(platform::audio::OutputMode::Loopback);
    }
    ~LoopbackOutput() {
        SoundSystemTeardown();
        platform::audio::setOutputMode(previous_);
    }

  private:
    platform::audio::OutputMode previous_;
};

// Renders `blocks` ticks of the mix and returns each block's loudest sample (0 to 1).
inline std::vector<double> renderBlockPeaks(int blocks) {
    std::vector<double> peaks;
    std::vector<std::int16_t> block(kBlockFrames * 2);
    for (int b = 0; b < blocks; ++b) {
        SoundSystemRenderMix(block.data(), kBlockFrames);
        int peak = 0;
        for (std::int16_t s : block) peak = std::max(peak, std::abs(static_cast<int>(s)));
        peaks.push_back(peak / 32768.0);
    }
    return peaks;
}

// The loudest of peaks[from, to).
inline double maxOf(const std::vector<double>& peaks, size_t from, size_t to) {
    double m = 0;
    for (size_t i = from; i < to && i < peaks.size(); ++i) m = std::max(m, peaks[i]);
    return m;
}

}  // namespace tikoleap::test
