#include "EffectCatalog.h"

namespace soundgen {

namespace {

using W = Synth::Wave;
// Every effect peaks here, leaving headroom when several play at once.
constexpr double kPeak = 0.85;

// The hero is lost: a long whistle sliding down, with a wobble.
Sound fall() {
    Synth s(44100, 0.95);
    s.tone(W::Triangle, 0, 0.95, 1200, 110, 0.8, 0.01, 0.3, 7, 0.03);
    s.tone(W::Square, 0, 0.95, 600, 55, 0.15, 0.01, 0.3, 7, 0.03);
    return s.finish(kPeak);
}

// A landing: a short springy rise.
Sound jumpLanding() {
    Synth s(44100, 0.2);
    s.tone(W::Square, 0, 0.18, 220, 880, 0.5, 0.004, 0.07);
    s.tone(W::Sine, 0, 0.18, 440, 1760, 0.3, 0.004, 0.07);
    return s.finish(kPeak);
}

// A hamburger eaten: a whoosh of air rising and falling.
Sound flightWhoosh() {
    Synth s(22050, 0.6);
    s.noise(0, 0.32, 400, 3500, 1.0, 0.12, 0.05, 11);
    s.noise(0.25, 0.6, 3500, 300, 1.0, 0.05, 0.25, 12);
    s.tone(W::Sine, 0.05, 0.5, 600, 1200, 0.12, 0.1, 0.2);
    return s.finish(kPeak);
}

// The hero is hurt: a dull knock.
Sound hit() {
    Synth s(44100, 0.25);
    s.tone(W::Sine, 0, 0.24, 180, 50, 1.0, 0.002, 0.16);
    s.noise(0, 0.05, 3000, 800, 0.6, 0.001, 0.03, 21);
    return s.finish(kPeak);
}

// An enemy hit: a blast with a low rumble.
Sound blast() {
    Synth s(44100, 0.85);
    s.noise(0, 0.85, 2500, 150, 1.0, 0.003, 0.6, 31);
    s.tone(W::Sine, 0, 0.5, 90, 35, 0.8, 0.003, 0.35);
    return s.finish(kPeak);
}

// A shot: a quick falling zap.
Sound shot() {
    Synth s(22050, 0.18);
    s.tone(W::Square, 0, 0.17, 1600, 260, 0.8, 0.002, 0.08);
    s.noise(0, 0.03, 5000, 5000, 0.3, 0.001, 0.02, 41);
    return s.finish(kPeak);
}

// The second jump: two rising steps.
Sound jumpSteps() {
    Synth s(44100, 0.22);
    s.tone(W::Sine, 0, 0.12, 330, 990, 0.8, 0.003, 0.03);
    s.tone(W::Sine, 0.07, 0.21, 495, 1485, 0.7, 0.003, 0.06, 9, 0.02);
    return s.finish(kPeak);
}

// A squish: a soft low tone wobbling quickly as it sags.
Sound squish() {
    Synth s(22050, 0.32);
    s.tone(W::Sine, 0, 0.31, 260, 140, 0.9, 0.01, 0.12, 18, 0.25);
    s.tone(W::Triangle, 0, 0.31, 520, 280, 0.2, 0.01, 0.12, 18, 0.25);
    return s.finish(kPeak);
}

// A firework: a rising whistle, a burst and a crackling tail.
Sound firework() {
    Synth s(44100, 1.7);
    s.tone(W::Sine, 0, 0.6, 500, 2200, 0.5, 0.05, 0.05, 12, 0.02);
    s.noise(0.6, 1.3, 3000, 200, 1.0, 0.002, 0.5, 51);
    s.crackle(0.75, 1.65, 40, 0.7, 52);
    return s.finish(kPeak);
}

}  // namespace

const std::vector<EffectRecipe>& effectCatalog() {
    static const std::vector<EffectRecipe> catalog = {
        {"fall2", 44100, fall},        {"jump2", 44100, jumpLanding}, {"fly2_06_22k", 22050, flightWhoosh},
        {"hit1", 44100, hit},          {"bom1", 44100, blast},        {"fire1_22k", 22050, shot},
        {"jump1_1", 44100, jumpSteps}, {"punyo1_22k", 22050, squish}, {"hanabi", 44100, firework},
    };
    return catalog;
}

}  // namespace soundgen
