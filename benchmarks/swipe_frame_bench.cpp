// A window frame while a finger swipes a store page down over a full-screen screen: a picture of
// the banner pushed ahead of the page, both half-way, on the headless llvmpipe context.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ads/render/swipe/DZPercentDrivenUserInteractionAnimationController.h"
#include "ads/render/swipe/DZViewControllerFullScreenSwipeAnimation.h"
#include "platform/gl/GLContext.h"
#include "platform/image/Image.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/store/StoreProductViewController.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"

namespace {

using namespace platform::ui;
using platform::Rect;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

std::shared_ptr<const platform::Image> gradient(int width, int height) {
    auto image = std::make_shared<platform::Image>();
    image->width = width;
    image->height = height;
    image->content = platform::Image::Content::RGB;
    image->pixels.resize(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &image->pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            p[0] = static_cast<std::uint8_t>(40 + y * 120 / height);
            p[1] = static_cast<std::uint8_t>(60 + x * 100 / width);
            p[2] = 160;
            p[3] = 255;
        }
    }
    return image;
}

// As the game-over screen is made: a picture behind everything, the score and the level's recent
// scores in labels, the ways on in buttons, and the banner over the top 50 points.
std::shared_ptr<View> gameOverLikeScreen(std::shared_ptr<View>& banner) {
    auto screen = std::make_shared<View>(Rect(0, 0, 320, 480));
    screen->addSubview(std::make_shared<ImageView>(gradient(320, 480)));
    auto score = std::make_shared<Label>(Rect(20, 70, 280, 40));
    score->setFont(Font::boldSystem(32));
    score->setText("12345");
    screen->addSubview(score);
    for (int i = 0; i < 5; ++i) {
        auto line = std::make_shared<Label>(Rect(30, 130 + i * 24.0f, 260, 22));
        line->setText(std::to_string(i + 1) + ".  " + std::to_string(9000 - i * 700) + "  Submit");
        screen->addSubview(line);
    }
    const char* ways[] = {"Next Level", "Replay", "More Levels", "Title"};
    for (int i = 0; i < 4; ++i) {
        auto button = std::make_shared<Button>(ButtonType::RoundedRect,
                                               Rect(20 + (i % 2) * 150.0f, 270 + (i / 2) * 60.0f, 130, 44));
        button->setTitle(ways[i]);
        screen->addSubview(button);
    }
    banner = std::make_shared<View>(Rect(0, 0, 320, 50));
    banner->setBackgroundColor({0.8f, 0.1f, 0.6f, 1});
    auto text = std::make_shared<Label>(Rect(8, 10, 304, 30));
    text->setText("Tiko Leap: tilt, jump, climb higher!");
    text->setTextColor(Color::white());
    banner->addSubview(text);
    screen->addSubview(banner);
    return screen;
}

// 200 frames of the screen alone, then an interactive presentation started as a pan begins (the
// snapshot of the banner taken then, once) and 200 frames with the finger moving around half-way.
// Each frame is the window laid out, drawn and read back with glFinish; the figures are medians.
void BM_WindowFrameDuringSwipe(benchmark::State& state) {
    std::string error;
    auto gl = platform::GLContext::createHeadless(&error);
    if (!gl) return state.SkipWithError(error.c_str());
    gl->makeCurrent();
    auto loop = std::make_shared<platform::ManualRunLoop>();
    auto previousLoop = platform::RunLoop::setMain(loop);
    {
        auto window = std::make_shared<Window>();
        window->setRunLoop(loop.get());
        window->makeKeyAndVisible();
        auto root = std::make_shared<ViewController>();
        std::shared_ptr<View> banner;
        root->setView(gameOverLikeScreen(banner));
        window->setRootViewController(root);
        auto renderer = std::make_unique<WindowRenderer>(gl);

        using Clock = std::chrono::steady_clock;
        auto frame = [&](std::vector<double>& times) {
            const auto start = Clock::now();
            renderer->render(*window);
            glFinish();
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        };
        for (auto _ : state) {
            std::vector<double> alone, swiping;
            for (int i = 0; i < 200; ++i) {
                loop->advance(1.0 / 60);
                window->markNeedsDisplay();
                frame(alone);
            }
            auto animation = std::make_shared<DZViewControllerFullScreenSwipeAnimation>();
            animation->setDirection(DZViewControllerFullScreenSwipeAnimation::kTopToBottom);
            animation->setDraggableView(banner);
            animation->setStartY(40);
            auto controller = std::make_shared<DZPercentDrivenUserInteractionAnimationController>(animation);
            auto page = std::make_shared<platform::store::StoreProductViewController>();
            page->setTransitioningDelegate(controller);
            const auto began = Clock::now();
            if (!root->presentViewController(page, true) || !controller->isRunning()) {
                state.SkipWithError("the swipe presentation did not start");
                break;
            }
            const double startMs = std::chrono::duration<double, std::milli>(Clock::now() - began).count();
            for (int i = 0; i < 200; ++i) {
                loop->advance(1.0 / 60);
                controller->updateInteractiveTransition(0.45 + 0.1 * (i % 10) / 10.0);
                frame(swiping);
            }
            state.counters["screen_alone_ms"] = median(alone);
            state.counters["swipe_frame_ms"] = median(swiping);
            state.counters["swipe_start_ms"] = startMs;
            controller->cancelInteractiveTransition();
            loop->advance(3);
            if (root->presentedViewController()) state.SkipWithError("the cancelled swipe left its page");
        }
        renderer.reset();
    }
    platform::RunLoop::setMain(previousLoop);
}
BENCHMARK(BM_WindowFrameDuringSwipe)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
