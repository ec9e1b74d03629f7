#include "services/PlatformBanner.h"

#include "platform/runloop/RunLoop.h"
#include "platform/ui/View.h"

std::shared_ptr<PlatformBanner> PlatformBanner::create() {
    return std::shared_ptr<PlatformBanner>(new PlatformBanner());
}

PlatformBanner::PlatformBanner()
    : view_(std::make_shared<platform::ui::View>(platform::Rect{0, 0, 320, 50})) {}

void PlatformBanner::load(const std::string&, const std::shared_ptr<platform::ui::ViewController>&,
                          std::weak_ptr<DiDazBannerListener> listener) {
    listener_ = std::move(listener);
    // Weakly held: a banner disposed or released before the turn says nothing.
    std::weak_ptr<PlatformBanner> weakSelf = weak_from_this();
    platform::RunLoop::main().post([weakSelf] {
        std::shared_ptr<PlatformBanner> self = weakSelf.lock();
        if (!self) return;
        if (std::shared_ptr<DiDazBannerListener> listener = self->listener_.lock())
            listener->bannerDidFailToReceiveAd(*self, kNoFillDescription);
    });
}
