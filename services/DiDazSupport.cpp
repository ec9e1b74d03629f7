#include "services/DiDazSupport.h"

#include <algorithm>

#include "appbase/LogMessage.h"
#include "platform/runloop/RunLoop.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "services/AnnounceManager.h"
#include "services/DecimalText.h"
#include "services/DiDazComponentBanner.h"
#include "services/PlatformBanner.h"
#include "shell/Announcements.h"
#include "shell/AppDoor.h"

namespace {
constexpr const char* kLogName = "DiDazSupport";
// The top-left corner of the content view: the game-over layout leaves the top
// 50 points free.
const platform::Rect kBannerFrame{0, 0, 320, 50};
}  // namespace

std::shared_ptr<DiDazSupport> DiDazSupport::create(AppDoor* appCore, Options options) {
    return std::shared_ptr<DiDazSupport>(new DiDazSupport(appCore, std::move(options)));
}

DiDazSupport::DiDazSupport(AppDoor* appCore, Options options)
    : appCore_(appCore), options_(std::move(options)) {}

DiDazSupport::~DiDazSupport() {
    disposeDiDazAd();
    disposeIAdView();
}

std::optional<std::string> DiDazSupport::property(const std::string& key) const {
    if (options_.property) return options_.property(key);
    if (!appCore_) return std::nullopt;
    std::optional<std::map<std::string, std::string>> properties =
        appCore_->announcements() ? appCore_->announcements()->amProperties() : std::nullopt;
    if (!properties) return std::nullopt;
    auto it = properties->find(key);
    if (it == properties->end()) return std::nullopt;
    return it->second;
}

double DiDazSupport::now() const {
    if (options_.clock) return options_.clock();
    return platform::RunLoop::main().now();
}

int DiDazSupport::amPropDidazEnable() const {
    std::optional<std::string> value = property("didazEnable");
    return value ? decimalIntValue(*value) : 0;
}

bool DiDazSupport::canShowIAd() const {
    return static_cast<unsigned>(amPropDidazEnable()) >= 2u && useIAd_;
}

bool DiDazSupport::canShowDiDaz() const {
    return (amPropDidazEnable() & ~2) == 1 && !diDazPublisherId_.empty();
}

void DiDazSupport::showInViewController(const std::shared_ptr<platform::ui::ViewController>& owner,
                                        const std::shared_ptr<platform::ui::View>& contentView) {
    close();
    visible_ = true;
    ownerViewController_ = owner;
    contentView_ = contentView;
    const int interval = refreshInterval();
    const double t = now();
    // A component banner whose last load failed has nothing to show again: it is
    // asked anew.
    const bool reusable = adType_ == AdType::iAd || (adType_ == AdType::diDaz && didazReady_);
    if (reusable && prevReceiveAdTime_ <= t && t < prevReceiveAdTime_ + interval) {
        showSub();
        return;
    }
    LogMessage(kLogName, 1, "Ad:refresh");
    adType_ = AdType::none;
    refreshIAdIfPossible();
    if (adType_ == AdType::none) refreshDiDazIfPossible();
    showSub();
}

int DiDazSupport::refreshInterval() const {
    std::optional<std::string> intervalText = property("didazRefreshInterval");
    return intervalText ? decimalIntValue(*intervalText) : kDefaultRefreshInterval;
}

void DiDazSupport::askAgainLater() {
    // On the main loop's clock (the virtual one in headless runs); never sooner than a second, so
    // that a server failing at once is not asked in a loop.
    const double delay = std::max(refreshInterval(), 1);
    askAgain_ = platform::RunLoop::main().scheduleOnce(
        delay, weak_from_this(), [weak = weak_from_this()](platform::Timer&) {
            std::shared_ptr<DiDazSupport> self = weak.lock();
            if (!self || self->visible_ || self->adType_ != AdType::diDaz) return;
            self->askAgain_.reset();
            LogMessage(kLogName, 1, "Ad:refresh");
            self->visible_ = true;
            self->refreshDiDazIfPossible();
            self->showSub();
        });
}

void DiDazSupport::refreshIAdIfPossible() {
    if (useDiDazOnNextTurn_) {
        useDiDazOnNextTurn_ = false;
        if (canShowDiDaz()) return;
    }
    if (!canShowIAd()) return;
    adType_ = AdType::iAd;
    if (iAdView_ && iAdReady_) return;
    LogMessage(kLogName, 1, "iAd:create");
    iAdReady_ = false;
    disposeIAdView();
    iAdView_ = options_.makeIAdBanner ? options_.makeIAdBanner() : PlatformBanner::create();
    if (!iAdView_) return;
    if (std::shared_ptr<platform::ui::View> view = iAdView_->view()) view->setHidden(true);
    std::shared_ptr<DiDazBanner> banner = iAdView_;  // the listener may replace it
    banner->load(diDazPublisherId_, ownerViewController_, weak_from_this());
}

void DiDazSupport::refreshDiDazIfPossible() {
    if (!canShowDiDaz()) return;
    adType_ = AdType::diDaz;
    LogMessage(kLogName, 1, "DiDaz:create");
    didazReady_ = false;
    disposeDiDazAd();
    diDazAd_ = options_.makeDiDazBanner ? options_.makeDiDazBanner() : DiDazComponentBanner::create();
    if (!diDazAd_) return;
    if (std::shared_ptr<platform::ui::View> view = diDazAd_->view()) {
        platform::Rect frame = kBannerFrame;
        if (contentView_) frame.origin = contentView_->bounds().origin;
        view->setFrame(frame);
    }
    const std::string unit = property("didazBannerAdPublisherId").value_or(diDazPublisherId_);
    bannerState_ = BannerState::pending;
    ++diDazRequests_;
    std::shared_ptr<DiDazBanner> banner = diDazAd_;
    banner->load(unit.empty() ? diDazPublisherId_ : unit, ownerViewController_, weak_from_this());
}

void DiDazSupport::showSub() {
    if (adType_ == AdType::diDaz && diDazAd_ && didazReady_) {
        if (std::shared_ptr<platform::ui::View> view = diDazAd_->view(); view && contentView_)
            contentView_->addSubview(view);
    } else if (adType_ == AdType::iAd && iAdView_) {
        std::shared_ptr<platform::ui::View> view = iAdView_->view();
        if (!view) return;
        view->setHidden(!iAdReady_);
        if (ownerViewController_) {
            if (std::shared_ptr<platform::ui::View> ownerView = ownerViewController_->view())
                ownerView->addSubview(view);
        }
    }
}

void DiDazSupport::close() {
    visible_ = false;
    if (std::shared_ptr<platform::Timer> timer = std::move(askAgain_)) timer->invalidate();
    if (adType_ == AdType::diDaz) {
        LogMessage(kLogName, 1, "DiDaz:close");
        if (diDazAd_) {
            if (std::shared_ptr<platform::ui::View> view = diDazAd_->view()) view->removeFromSuperview();
        }
    } else if (adType_ == AdType::iAd) {
        LogMessage(kLogName, 1, "iAd:close");
        if (iAdView_) {
            if (std::shared_ptr<platform::ui::View> view = iAdView_->view()) view->removeFromSuperview();
            disposeIAdView();
        }
        adType_ = AdType::none;
        iAdReady_ = false;
    }
}

void DiDazSupport::disposeDiDazAd() {
    if (std::shared_ptr<DiDazBanner> banner = std::move(diDazAd_)) banner->dispose();
}

void DiDazSupport::disposeIAdView() {
    if (std::shared_ptr<DiDazBanner> banner = std::move(iAdView_)) banner->dispose();
}

void DiDazSupport::bannerDidReceiveAd(DiDazBanner& banner) {
    // Only the banners this object holds speak; a replaced one is disposed and
    // stays silent.
    std::shared_ptr<DiDazSupport> keep = shared_from_this();
    if (&banner == diDazAd_.get())
        adViewDidReceiveAd();
    else if (&banner == iAdView_.get())
        bannerViewDidLoadAd();
}

void DiDazSupport::bannerDidFailToReceiveAd(DiDazBanner& banner, const std::string& description) {
    std::shared_ptr<DiDazSupport> keep = shared_from_this();
    if (&banner == diDazAd_.get())
        adViewDidFailToReceiveAd(description);
    else if (&banner == iAdView_.get())
        bannerViewDidFailToReceiveAd(description);
}

void DiDazSupport::adViewDidReceiveAd() {
    LogMessage(kLogName, 1, "DiDaz:Did receive ad");
    didazReady_ = true;
    bannerState_ = BannerState::received;
    if (adType_ != AdType::diDaz) return;
    prevReceiveAdTime_ = now();
    // Only while the screen shows it: a banner that arrives after the screen went
    // waits for the next show (within the refresh interval) instead of sitting on
    // a screen that is gone.
    if (visible_ && diDazAd_ && contentView_) {
        if (std::shared_ptr<platform::ui::View> view = diDazAd_->view()) contentView_->addSubview(view);
    }
}

void DiDazSupport::adViewDidFailToReceiveAd(const std::string& description) {
    LogMessage(kLogName, 1, "DiDaz:Did fail to receive ad. " + description);
    didazReady_ = false;
    bannerState_ = BannerState::failed;
    if (adType_ != AdType::diDaz) return;
    const bool shown = visible_;
    close();
    if (shown) askAgainLater();
}

void DiDazSupport::bannerViewDidLoadAd() {
    LogMessage(kLogName, 2, "iAd:bannerViewDidLoadAd");
    iAdReady_ = true;
    if (adType_ != AdType::iAd) return;
    prevReceiveAdTime_ = now();
    if (iAdView_) {
        if (std::shared_ptr<platform::ui::View> view = iAdView_->view()) view->setHidden(false);
    }
    useDiDazOnNextTurn_ = false;
}

void DiDazSupport::bannerViewDidFailToReceiveAd(const std::string& description) {
    LogMessage(kLogName, 2, "iAd:bannerView:didFailToReceiveAdWithError: " + description);
    iAdReady_ = false;
    if (adType_ != AdType::iAd) return;
    const bool wasVisible = visible_;
    close();
    if (!wasVisible) {
        useDiDazOnNextTurn_ = true;
        return;
    }
    // The ad component's banner takes the place at once.
    visible_ = true;
    refreshDiDazIfPossible();
    showSub();
}
