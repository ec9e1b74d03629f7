// What decoding a GIF costs: a small icon, pictures of 1920 and 3800 pixels a side whose data does
// not compress (about 4 and 16 MB), and a small picture whose data is megabytes of one-byte blocks.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/image/ImageDecoder.h"
#include "tests/support/GifFiles.h"

namespace {

void decodeGif(benchmark::State& state, const std::string& file) {
    std::string error;
    for (auto _ : state) {
        auto image = platform::ImageDecoder::decode(file, &error);
        if (!image) {
            state.SkipWithError(("nothing decoded: " + error).c_str());
            return;
        }
        benchmark::DoNotOptimize(image->pixels.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
    state.counters["file_bytes"] = static_cast<double>(file.size());
}

// A picture of side x side pixels.
void BM_GifDecode(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    decodeGif(state, testsupport::literalGif(side, side));
}
BENCHMARK(BM_GifDecode)->Arg(64)->Arg(1920)->Arg(3800)->Unit(benchmark::kMillisecond);

// A 64 x 64 picture whose data is 4 MB of one-byte blocks, most of them codes that draw nothing.
void BM_GifDecodeManyBlocks(benchmark::State& state) {
    decodeGif(state, testsupport::literalGif(64, 64, 1, 1770000));
}
BENCHMARK(BM_GifDecodeManyBlocks)->Unit(benchmark::kMillisecond);

}  // namespace
