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
        previousFactory_ = DZAdView::setEngineFactory([this](int width, int height, std::string*) {
            auto engine = std::make_unique<platform::web::FakeWebEngine>(width, height);
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

    // The engine of the view made last.
    platform::web::FakeWebEngine& engine() { return *engine_; }
    AdsTestHome& home() { return home_; }
    platform::RecordingUrlOpener& opener() { return *opener_; }
    void runUntilIdle() {
        home_.loop().runUntilIdle();
        DZLoggingQueue()->sync([] {});
    }

  private:
    AdsTestHome home_;
    platform::web::FakeWebEngine* engine_ = nullptr;
    std::shared_ptr<platform::RecordingUrlOpener> opener_ = std::make_shared<platform::RecordingUrlOpener>();
    std::shared_ptr<platform::UrlOpener> previousOpener_;
    DZAdView::EngineFactory previousFactory_;
    std::shared_ptr<DZWebViewCacheSet> previousCache_;
};

}  // namespace tikoleap::test
