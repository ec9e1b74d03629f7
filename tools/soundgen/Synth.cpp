#include "Synth.h"

#include <algorithm>
#include <cmath>

namespace soundgen {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// A small, seeded generator: the same sounds on every build.
class Lcg {
  public:
    explicit Lcg(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    double next() {  // -1..1
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
    }

  private:
    std::uint32_t state_;
};

double waveAt(Synth::Wave wave, double phase) {
    const double p = phase - std::floor(phase);
    switch (wave) {
        case Synth::Wave::Sine:
            return std::sin(kTwoPi * p);
        case Synth::Wave::Triangle:
            return p < 0.5 ? 4 * p - 1 : 3 - 4 * p;
        case Synth::Wave::Square:
            // Softened edges keep the harmonics tame.
            return std::tanh(4 * std::sin(kTwoPi * p));
        case Synth::Wave::Saw:
            return 2 * p - 1;
    }
    return 0;
}

}  // namespace

Synth::Synth(int sampleRate, double seconds)
    : rate_(sampleRate), buffer_(static_cast<std::size_t>(std::lround(sampleRate * seconds)), 0.0) {}

double Synth::envelope(double t, double length, double attack, double release) const {
    double e = 1.0;
    if (attack > 0 && t < attack) e = t / attack;
    if (release > 0 && t > length - release) e = std::min(e, std::max(0.0, (length - t) / release));
    return e;
}

template <class Fn>
void Synth::overSpan(double start, double end, Fn fn) {
    const auto first = static_cast<std::size_t>(start * rate_);
    const auto last = std::min(buffer_.size(), static_cast<std::size_t>(end * rate_));
    for (std::size_t i = first; i < last; ++i)
        fn(buffer_[i], static_cast<double>(i - first) / rate_, end - start);
}

void Synth::tone(Wave wave, double start, double end, double f0, double f1, double amplitude, double attack,
                 double release, double vibratoHz, double vibratoDepth) {
    double phase = 0;
    overSpan(start, end, [&](double& out, double t, double length) {
        double f = f0 * std::pow(f1 / f0, t / length);
        if (vibratoHz > 0) f *= 1.0 + vibratoDepth * std::sin(kTwoPi * vibratoHz * t);
        phase += f / rate_;
        out += amplitude * envelope(t, length, attack, release) * waveAt(wave, phase);
    });
}

void Synth::noise(double start, double end, double c0, double c1, double amplitude, double attack,
                  double release, std::uint32_t seed) {
    Lcg rng(seed);
    double low = 0;
    overSpan(start, end, [&](double& out, double t, double length) {
        const double cutoff = c0 * std::pow(c1 / c0, t / length);
        const double a = 1.0 - std::exp(-kTwoPi * cutoff / rate_);
        low += a * (rng.next() - low);
        out += amplitude * envelope(t, length, attack, release) * low;
    });
}

void Synth::crackle(double start, double end, int bursts, double amplitude, std::uint32_t seed) {
    Lcg rng(seed);
    for (int b = 0; b < bursts; ++b) {
        const double at = start + (rng.next() + 1) / 2 * (end - start - 0.02);
        const double level = amplitude * (0.5 + (rng.next() + 1) / 4);
        const auto first = static_cast<std::size_t>(at * rate_);
        const auto count = static_cast<std::size_t>(0.012 * rate_);
        for (std::size_t k = 0; k < count && first + k < buffer_.size(); ++k) {
            const double decay = std::exp(-static_cast<double>(k) / (0.003 * rate_));
            buffer_[first + k] += level * decay * rng.next();
        }
    }
}

Sound Synth::finish(double peak) {
    double loudest = 0;
    for (double v : buffer_) loudest = std::max(loudest, std::abs(v));
    const double scale = loudest > 0 ? peak / loudest : 0;
    Sound sound;
    sound.sampleRate = rate_;
    sound.samples.reserve(buffer_.size());
    for (double v : buffer_) sound.samples.push_back(static_cast<float>(v * scale));
    return sound;
}

}  // namespace soundgen
