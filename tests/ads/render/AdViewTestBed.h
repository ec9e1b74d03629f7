#pragma once
// An ad view on the scripted web engine, with a private home, a virtual-clock main loop and a
// recording URL opener, for one test.
#include <memory>

#include "ads/foundation/AdsTestHome.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZWebViewCacheSet.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/image/Image.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/web/FakeWebEngine.h"

namespace tikoleap::test {

// A snapshot whose every pixel is painted (opaque white): a page that has drawn.
inline platform::Image paintedImage(int width, int height) {
    platform::Image image{width, height, platform::Image::Content::RGBAPremultiplied, {}};
    image.pixels.assign(static_cast<std::size_t>(width * height) * 4, 255);
    return image;
}

class AdViewTestBed {
  public:
    AdViewTestBed() {
        previousFactory_ = DZAdView::setEngineFactory(
            [this](int width, int height, std::string* error) -> std::unique_ptr<platform::web::WebEngine> {
                if (maxEngines_ > 0 && *live_ >= maxEngines_) {
                    if (error) *error = "the test's web view budget is spent";
                    return nullptr;
                }
                auto engine = std::make_unique<CountedEngine>(width, height, live_);
                engine->setLimits(engineLimits_);
                engine->useLoop(home_.loop());
                engine_ = engine.get();
                return engine;
            });
        previousOpener_ = platform::UrlOpener::setShared(opener_);
        // Spare web views would outlive this test's loop, which their engines run on.
        previousCache_ = DZAdView::setWebViewCache(nullptr);
    }
    ~AdViewTestBed() {
        DZAdView::setWebViewCache(previousCache_);
        platform::UrlOpener::setShared(previousOpener_);
        DZAdView::setEngineFactory(previousFactory_);
    }
    AdViewTestBed(const AdViewTestBed&) = delete;
    AdViewTestBed& operator=(const AdViewTestBed&) = delete;

    // Engines alive now; with a maximum, no more are made (as the real host's view cap does).
    int liveEngines() const { return *live_; }
    void setMaxEngines(int maximum) { maxEngines_ = maximum; }
    // The limits of the engines made from now on: the host's, which it may set as it likes.
    void setEngineLimits(const platform::web::FakeWebEngine::Limits& limits) { engineLimits_ = limits; }
    // The engine of the view made last.
    platform::web::FakeWebEngine& engine() { return *engine_; }
    AdsTestHome& home() { return home_; }
    platform::RecordingUrlOpener& opener() { return *opener_; }
    void runUntilIdle() {
        home_.loop().runUntilIdle();
        DZLoggingQueue()->sync([] {});
    }

  private:
    class CountedEngine : public platform::web::FakeWebEngine {
      public:
        CountedEngine(int width, int height, std::shared_ptr<int> live)
            : FakeWebEngine(width, height), live_(std::move(live)) {
            ++*live_;
        }
        ~CountedEngine() override { --*live_; }

      private:
        std::shared_ptr<int> live_;
    };

    AdsTestHome home_;
    std::shared_ptr<int> live_ = std::make_shared<int>(0);
    int maxEngines_ = 0;
    platform::web::FakeWebEngine::Limits engineLimits_;
    platform::web::FakeWebEngine* engine_ = nullptr;
    std::shared_ptr<platform::RecordingUrlOpener> opener_ = std::make_shared<platform::RecordingUrlOpener>();
    std::shared_ptr<platform::UrlOpener> previousOpener_;
    DZAdView::EngineFactory previousFactory_;
    std::shared_ptr<DZWebViewCacheSet> previousCache_;
};

}  // namespace tikoleap::test
