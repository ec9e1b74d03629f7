#include "ads/render/view/DZBannerPicture.h"

#include "ads/render/view/DZAdView.h"
#include "platform/runloop/RunLoop.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewSnapshot.h"
#include "platform/ui/Window.h"
#include "platform/web/WebEngine.h"

namespace {

constexpr double kRedrawWaitSeconds = 0.5;

float screenScale() {
    return platform::ui::Screen::mainScale() > 0 ? platform::ui::Screen::mainScale() : 1.0f;
}

}  // namespace

std::shared_ptr<platform::ui::ImageView> DZBannerPicture::of(platform::ui::View& view) {
    auto picture = std::make_shared<platform::ui::ImageView>();
    if (auto image = platform::ui::snapshotView(view, screenScale()))
        picture->setImage(std::make_shared<const platform::Image>(std::move(*image)));
    picture->setFrame(view.frame());
    return picture;
}

void DZBannerPicture::removeOnceRedrawn(std::shared_ptr<platform::ui::ImageView> picture,
                                        const std::shared_ptr<DZAdView>& ad) {
    if (!picture) return;
    platform::ui::Window* window = picture->window();
    platform::RunLoop* loop = window ? window->runLoop() : nullptr;
    if (!ad || !ad->engine() || !loop) {
        picture->removeFromSuperview();
        return;
    }
    std::weak_ptr<DZAdView> weakAd = ad;
    std::weak_ptr<platform::ui::ImageView> weakPicture = picture;
    // Held by the cap's timer, which the picture owns: the listening ends with the picture, or
    // when the page has drawn, or at the cap, whichever comes first.
    auto listening = std::make_shared<platform::web::WebEngine::FrameListening>();
    *listening = ad->engine()->listenToFrames(
        [weakAd, weakPicture, weakListening = std::weak_ptr(listening), frame = ad->engine()->frameNumber()] {
            auto shown = weakAd.lock();
            if (shown && shown->engine() && !shown->engine()->drawnSince(frame)) return;
            if (auto held = weakListening.lock()) held->reset();
            if (auto held = weakPicture.lock()) held->removeFromSuperview();
        });
    loop->scheduleOnce(kRedrawWaitSeconds, weakPicture, [weakPicture, listening](platform::Timer&) {
        listening->reset();
        if (auto held = weakPicture.lock()) held->removeFromSuperview();
    });
}
