// Cost of what a frame or a label change asks of textures on the headless context.
#include <benchmark/benchmark.h>

#include <string>

#include "appbase/Texture2D.h"
#include "platform/gl/GL.h"
#include "platform/gl/GLContext.h"

namespace {

std::shared_ptr<platform::GLContext> currentContext() {
    static auto context = platform::GLContext::createHeadless();
    if (context) context->makeCurrent();
    return context;
}

// A score label re-rendered with new text (the score label does this when the score changes).
void BM_LabelRerender(benchmark::State& state) {
    if (!currentContext()) {
        state.SkipWithError("no headless GL context");
        return;
    }
    int score = 0;
    int missing = 0;
    for (auto _ : state) {
        auto texture = Texture2D::initWithString("Score " + std::to_string(score++), platform::Size{256, 64},
                                                 1, "Arial", 48, 2.0f);
        missing += !texture || texture->name() == 0;
        benchmark::DoNotOptimize(texture);
    }
    if (missing) state.SkipWithError((std::to_string(missing) + " labels made no texture").c_str());
}
BENCHMARK(BM_LabelRerender);

// Uploading a full-screen background image.
void BM_ImageUpload480x320(benchmark::State& state) {
    if (!currentContext()) {
        state.SkipWithError("no headless GL context");
        return;
    }
    platform::Image image;
    image.width = 480;
    image.height = 320;
    image.content = platform::Image::Content::RGBAPremultiplied;
    image.pixels.assign(480u * 320u * 4u, 200);
    int missing = 0;
    for (auto _ : state) {
        auto texture = Texture2D::initWithImage(image, 1.0f);
        missing += !texture || texture->name() == 0;
        benchmark::DoNotOptimize(texture);
    }
    if (missing) state.SkipWithError((std::to_string(missing) + " uploads made no texture").c_str());
}
BENCHMARK(BM_ImageUpload480x320);

}  // namespace
