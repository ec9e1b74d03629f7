// tikoleap-soundgen OUTDIR: synthesises the game's sound effects into OUTDIR as 16-bit mono WAV.
#include <sndfile.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "EffectCatalog.h"

namespace {

bool writeWav(const std::string& path, const soundgen::Sound& sound) {
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = sound.sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        std::fprintf(stderr, "tikoleap-soundgen: %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const auto count = static_cast<sf_count_t>(sound.samples.size());
    const bool ok = sf_writef_float(f, sound.samples.data(), count) == count;
    return sf_close(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tikoleap-soundgen OUTDIR\n");
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(argv[1], ec);
    for (const auto& recipe : soundgen::effectCatalog()) {
        const std::string path = std::string(argv[1]) + "/" + recipe.name + ".wav";
        if (!writeWav(path, recipe.make())) return 1;
    }
    return 0;
}
