#pragma once
// The game's nine sound effects, each a recipe for the synthesiser, by file name.
#include <functional>
#include <string>
#include <vector>

#include "Synth.h"

namespace soundgen {

struct EffectRecipe {
    const char* name;  // file name without ".wav"
    int sampleRate;
    std::function<Sound()> make;
};

const std::vector<EffectRecipe>& effectCatalog();

}  // namespace soundgen
