// Cost of what the game asks of the sound engine each tick: starting an effect, and (headless)
// mixing one tick of sound on the loopback device.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/AudioDevice.h"
#include "sound/SoundEngine.h"

namespace {

// The engine on the loopback device with the game's nine effects loaded.
class LoadedEngine {
  public:
    LoadedEngine() {
        previous_ = platform::audio::outputMode();
        platform::audio::setOutputMode(platform::audio::OutputMode::Loopback);
        SoundSystemInitialize(44100);
        for (const char* name : {"fall2", "jump2", "fly2_06_22k", "hit1", "bom1", "fire1_22k", "jump1_1",
                                 "punyo1_22k", "hanabi"}) {
            unsigned long handle = 0;
            if (SoundSystemLoadEffect(std::string(TIKOLEAP_RESOURCES_DIR) + "/" + name + ".wav", &handle) ==
                0)
                handles.push_back(handle);
        }
    }
    ~LoadedEngine() {
        SoundSystemTeardown();
        platform::audio::setOutputMode(previous_);
    }
    std::vector<unsigned long> handles;

  private:
    platform::audio::OutputMode previous_;
};

void BM_StartEffect(benchmark::State& state) {
    LoadedEngine engine;
    if (engine.handles.size() != 9) {
        state.SkipWithError("the generated effects are missing");
        return;
    }
    size_t i = 0;
    int failed = 0;
    for (auto _ : state)
        failed += SoundSystemStartEffect(engine.handles[i++ % engine.handles.size()]) != sound::kSoundOk;
    if (failed) state.SkipWithError((std::to_string(failed) + " effects did not start").c_str());
}
BENCHMARK(BM_StartEffect);

// One tick (441 frames) of mix with every effect sounding at once: the busiest a tick gets.
void BM_RenderTickOfMix(benchmark::State& state) {
    LoadedEngine engine;
    if (engine.handles.size() != 9) {
        state.SkipWithError("the generated effects are missing");
        return;
    }
    std::vector<std::int16_t> block(441 * 2);
    int tick = 0;
    bool heard = false;
    for (auto _ : state) {
        if (tick++ % 50 == 0)
            for (unsigned long h : engine.handles) SoundSystemStartEffect(h);
        SoundSystemRenderMix(block.data(), 441);
        benchmark::DoNotOptimize(block.data());
        // Silence throughout would mean no output mixed anything.
        heard =
            heard || std::any_of(block.begin(), block.end(), [](std::int16_t sample) { return sample != 0; });
    }
    if (!heard) state.SkipWithError("the mix stayed silent: no effect was mixed");
}
BENCHMARK(BM_RenderTickOfMix);

}  // namespace
