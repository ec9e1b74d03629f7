#pragma once
// A small additive/subtractive synthesiser for the game's effects: oscillators with pitch glides,
// seeded noise, one-pole filters and envelopes, mixed into float samples in -1..1.
#include <cstdint>
#include <vector>

namespace soundgen {

struct Sound {
    int sampleRate = 44100;
    std::vector<float> samples;
};

class Synth {
  public:
    Synth(int sampleRate, double seconds);

    int sampleRate() const { return rate_; }
    std::size_t length() const { return buffer_.size(); }
    double seconds() const { return static_cast<double>(buffer_.size()) / rate_; }

    enum class Wave { Sine, Triangle, Square, Saw };
    // A tone from `start` to `end` seconds whose frequency glides exponentially from f0 to f1,
    // with an optional vibrato (depth as a frequency ratio), shaped by attack and release.
    void tone(Wave wave, double start, double end, double f0, double f1, double amplitude, double attack,
              double release, double vibratoHz = 0, double vibratoDepth = 0);
    // Noise through a low-pass whose cut-off glides from c0 to c1 Hz (exponential decay of level
    // from amplitude to about 0 over the span when `decay` is set).
    void noise(double start, double end, double c0, double c1, double amplitude, double attack,
               double release, std::uint32_t seed);
    // A sharp crackle: short noise bursts at seeded times within the span.
    void crackle(double start, double end, int bursts, double amplitude, std::uint32_t seed);

    // Scales the whole sound so its loudest sample is `peak` and returns it.
    Sound finish(double peak);

  private:
    double envelope(double t, double length, double attack, double release) const;
    // Calls fn(sample, seconds into the span, span length) for each sample from start to end.
    template <class Fn>
    void overSpan(double start, double end, Fn fn);

    int rate_;
    std::vector<double> buffer_;
};

}  // namespace soundgen
