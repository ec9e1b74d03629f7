#include "ads/public/DZBannerView.h"

#include <cmath>

#include "ads/core/DZAd.h"
#include "ads/core/DZRequest.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/foundation/DZViewUtilities.h"
#include "ads/public/DZAdFormats.h"
#include "ads/render/geometry/DZInterfaceRect.h"
#include "ads/render/view/DZAdView.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

using platform::Rect;
using platform::Size;
using platform::ui::View;

namespace {

void logInvalidSize(const platform::ErrorRef& error) {
    DZLogger::sharedInstance()->logPublicMessage("Unable to set adSize property. " +
                                                 (error ? error->localizedDescription() : std::string()));
}

bool validSize(DZAdSize size) {
    platform::ErrorRef error;
    if (DZAdSizeIsValid(size, &error)) return true;
    logInvalidSize(error);
    return false;
}

}  // namespace

std::shared_ptr<DZBannerView> DZBannerView::create(DZAdSize adSize) {
    return create(Rect{}, adSize);
}

std::shared_ptr<DZBannerView> DZBannerView::create(DZAdSize adSize, platform::Point origin) {
    auto banner = create(adSize);
    if (banner) {
        Rect frame = banner->View::frame();
        frame.origin = origin;
        banner->View::setFrame(frame);
    }
    return banner;
}

std::shared_ptr<DZBannerView> DZBannerView::create(Rect frame, DZAdSize adSize) {
    if (!validSize(adSize)) return nullptr;
    auto banner = std::make_shared<DZBannerView>(frame);
    banner->commonInitWithAdSize(adSize);
    return banner;
}

std::shared_ptr<DZBannerView> DZBannerView::create(Rect frame) {
    return create(frame, DZAdSizeFromCGSize(frame.size));
}

DZBannerView::DZBannerView(Rect frame) : View(frame) {}

void DZBannerView::commonInitWithAdSize(DZAdSize adSize) {
    DZAdFormats::registerAll();
    slot_ = DZSlot::create(View::bounds());
    slot_->setReloadable(true);
    auto self = std::static_pointer_cast<DZBannerView>(shared_from_this());
    slot_->setSlotDelegate(std::weak_ptr<DZSlotDelegate>(self));
    slot_->setAdEventDelegate(std::weak_ptr<DZSlotAdEventDelegate>(self));
    slot_->setAdLoadDelegate(std::weak_ptr<DZSlotAdLoadDelegate>(self));
    slot_->setAdResponseDelegate(std::weak_ptr<DZSlotAdResponseDelegate>(self));
    slot_->setAdKeyDelegate(std::weak_ptr<DZSlotAdKeyDelegate>(self));
    slot_->setZadavaDuruMonitoredView(std::weak_ptr<View>(self));

    if (auto adView = slot_->adView()) {
        adView->configureAsBannerAdView();
        setRootAdView(adView);
    }
    setBackgroundColor(platform::ui::Color::clear());
    setClipsToBounds(true);
    hasInitialized_ = true;
    setAdSizeAndReload(adSize, false);
}

DZBannerView::~DZBannerView() {
    if (slot_) {
        slot_->finishZadavaDuruReporting();
        slot_->cancelPendingAndFutureActions();
    }
}

void DZBannerView::loadRequest(const std::shared_ptr<DZRequest>& request) {
    slot_->loadRequest(request);
}

const std::string& DZBannerView::adUnitID() const {
    return slot_->adUnitID();
}

void DZBannerView::setAdUnitID(const std::string& adUnitID) {
    slot_->setAdUnitID(adUnitID);
}

void DZBannerView::setRootViewController(const std::shared_ptr<platform::ui::ViewController>& controller) {
    if (controller == root_.lock()) return;
    root_ = controller;
    if (auto adView = slot_->adView()) adView->setViewController(controller);
    if (auto inner = std::dynamic_pointer_cast<DZBannerView>(rootAdView_))
        inner->setRootViewController(controller);
}

void DZBannerView::setAutoloadEnabled(bool enabled) {
    if (enabled == autoloadEnabled_) return;
    autoloadEnabled_ = enabled;
    if (!enabled) return;
    std::weak_ptr<View> weak = weak_from_this();
    try {
        platform::DispatchQueue::main()->async([weak] {
            if (auto self = std::static_pointer_cast<DZBannerView>(weak.lock())) self->loadRequest(nullptr);
        });
    } catch (const std::logic_error&) {
        // No main loop any more: the process is ending and nobody waits for the ad.
    }
}

bool DZBannerView::hasAutoRefreshed() const {
    return slot_->hasAutoRefreshed();
}

std::shared_ptr<DZAdView> DZBannerView::adView() const {
    return slot_->adView();
}

void DZBannerView::setRootAdView(const std::shared_ptr<View>& view) {
    if (view == rootAdView_) return;
    auto old = std::move(rootAdView_);
    if (old) old->removeFromSuperview();
    rootAdView_ = view;
    if (!view) return;
    addSubview(view);
    // The ad takes the whole banner, whatever size it was made at, and follows its size.
    view->setFrame(View::bounds());
    dz_fillSuperview(*view);
}

// --- sizing ---

DZAdSize DZBannerView::adSize() const {
    return slot_ ? slot_->adType().adSize() : DZAdSize{};
}

void DZBannerView::setAdSize(DZAdSize size) {
    const DZAdSize current = adSize();
    const bool wholeSizeDiffers = std::trunc(size.size.width) != std::trunc(current.size.width) ||
                                  std::trunc(size.size.height) != std::trunc(current.size.height);
    bool reload;
    if (wholeSizeDiffers && !DZAdSizeIsFluid(size)) {
        reload = true;
    } else {
        const bool zero = std::trunc(size.size.width) == 0 || std::trunc(size.size.height) == 0;
        reload = zero && size.flags != current.flags;
    }
    setAdSizeAndReload(size, reload);
}

void DZBannerView::setAdSizeAndReload(DZAdSize size, bool reload) {
    if (!hasInitialized_ || DZAdSizesAreEqual(size, adSize())) return;
    if (!validSize(size)) return;
    Rect frame = View::frame();
    frame.size = CGSizeFromDZAdSize(size);
    View::setFrame(frame);
    if (rootAdView_) rootAdView_->setFrame(View::bounds());
    slot_->setAdTypeAndReloadRequest(DZAdType::bannerAdTypeForSize(size), reload);
}

void DZBannerView::setAdSizeFromExternalSize(Size size) {
    const DZAdSize current = adSize();
    if (DZAdSizeIsFluid(current))
        setAdSize(DZAdSizeFluidWithSize(size.width, current.size.height));
    else
        setAdSize(DZAdSizeFromCGSize(size));
}

Size DZBannerView::intrinsicContentSize() const {
    const DZAdSize size = adSize();
    Size out = CGSizeFromDZAdSize(size);
    if (DZAdSizeIsFluid(size)) out.width = -1;  // no intrinsic width
    return out;
}

void DZBannerView::setFrame(const Rect& frame) {
    View::setFrame(frame);
    if (!hasInitialized_) return;
    const Size current = CGSizeFromDZAdSize(adSize());
    if (frame.size.width != current.width || frame.size.height != current.height)
        setAdSizeFromExternalSize(frame.size);
}

void DZBannerView::setBounds(const Rect& bounds) {
    View::setBounds(bounds);
    if (hasInitialized_) setAdSizeFromExternalSize(bounds.size);
}

void DZBannerView::setAlpha(float alpha) {
    View::setAlpha(alpha == 0 ? 0.0f : 1.0f);
}

void DZBannerView::didMoveToWindow() {
    View::didMoveToWindow();
    auto hold = weak_from_this().lock();
    platform::ui::Window* window = View::window();
    // A window not held by a shared pointer still counts as a window.
    std::shared_ptr<platform::ui::Window> shared;
    if (window) shared = std::static_pointer_cast<platform::ui::Window>(window->weak_from_this().lock());
    slot_->bannerDidMoveToWindow(window && !shared ? std::shared_ptr<platform::ui::Window>(
                                                         std::shared_ptr<platform::ui::Window>{}, window)
                                                   : shared);
}

// --- slot delegate ---

std::optional<bool> DZBannerView::slotShouldLoadRequest(DZSlot&, const DZRequest&) {
    if (root_.lock()) return true;
    DZLog("Must set the rootViewController property of %s before loading the ad.", className());
    return false;
}

std::optional<bool> DZBannerView::slotShouldReloadCurrentRequest(DZSlot&) {
    if (!isShownUpToWindow()) return false;
    if (!hasLoadedAd_) return true;
    if (!rootAdView_) return false;
    // The slot's own ad view hides itself while a new ad loads (and stays so when that load
    // fails): only a view handed over by another network says by hiding that it is not seen.
    return rootAdView_ == slot_->adView() || !rootAdView_->isHidden();
}

std::optional<Rect> DZBannerView::frame() {
    return View::frame();
}

std::optional<Rect> DZBannerView::frameInInterface() {
    if (!View::window()) return Rect{};
    return DZInterfaceRectFromScreenRect(convertRectToWindow(View::bounds()));
}

std::optional<Rect> DZBannerView::bounds() {
    return View::bounds();
}

std::optional<nlohmann::json> DZBannerView::coordinatesOfContentInScreen() {
    auto adView = slot_->adView();
    if (!adView) return std::nullopt;
    return DZViewUtilities::positionOfView(
        *adView, DZDevice::sharedInstance()->standardizedOrientedApplicationFrame());
}

void DZBannerView::slotDidReceiveAdView(DZSlot&, const std::shared_ptr<View>& view) {
    setRootAdView(view);
}

void DZBannerView::slotContentSizeDidChange(DZSlot&, Size size) {
    if (DZAdSizeIsFluid(adSize())) setAdSize(DZAdSizeFluidWithSize(size.width, size.height));
}

// --- load and event delegates: each reaches the app on the main thread ---

namespace {

template <class Call>
void tellDelegate(const std::shared_ptr<DZBannerView>& banner, Call call) {
    DZRunOnMainThread([weak = std::weak_ptr<DZBannerView>(banner), call = std::move(call)] {
        auto self = weak.lock();
        if (!self) return;
        if (auto delegate = self->delegate()) call(*self, *delegate);
    });
}

}  // namespace

void DZBannerView::slotFinishedLoadingAdContent(DZSlot&) {
    DZRunOnMainThread(
        [weak = std::weak_ptr<DZBannerView>(std::static_pointer_cast<DZBannerView>(shared_from_this()))] {
            auto self = weak.lock();
            if (!self) return;
            if (auto delegate = self->delegate()) delegate->adViewDidReceiveAd(*self);
            self->hasLoadedAd_ = true;
        });
}

void DZBannerView::slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) {
    DZRunOnMainThread(
        [weak = std::weak_ptr<DZBannerView>(std::static_pointer_cast<DZBannerView>(shared_from_this())),
         error] {
            if (auto banner = weak.lock()) {
                if (auto delegate = banner->delegate()) delegate->adViewDidFailToReceiveAd(*banner, error);
            }
            // A banner the app let go of while it heard of the failure asks for nothing more.
            if (auto banner = weak.lock()) banner->slot_->scheduleAdReloadTimer();
        });
}

void DZBannerView::slotWillPresentScreen(DZSlot&) {
    tellDelegate(std::static_pointer_cast<DZBannerView>(shared_from_this()),
                 [](DZBannerView& self, DZBannerViewDelegate& d) { d.adViewWillPresentScreen(self); });
}

void DZBannerView::slotWillDismissScreen(DZSlot&) {
    tellDelegate(std::static_pointer_cast<DZBannerView>(shared_from_this()),
                 [](DZBannerView& self, DZBannerViewDelegate& d) { d.adViewWillDismissScreen(self); });
}

void DZBannerView::slotDidDismissScreen(DZSlot&) {
    tellDelegate(std::static_pointer_cast<DZBannerView>(shared_from_this()),
                 [](DZBannerView& self, DZBannerViewDelegate& d) { d.adViewDidDismissScreen(self); });
}

void DZBannerView::slotWillLeaveApplication(DZSlot&) {
    tellDelegate(std::static_pointer_cast<DZBannerView>(shared_from_this()),
                 [](DZBannerView& self, DZBannerViewDelegate& d) { d.adViewWillLeaveApplication(self); });
}

bool DZBannerView::slotShouldProcessAdResponse(DZSlot&, const std::shared_ptr<DZAd>&, platform::ErrorRef*) {
    return true;
}

bool DZBannerView::slotShouldProcessMediatedAdResponse(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                                       platform::ErrorRef*) {
    if (ad) ad->setMediationDelegate(std::static_pointer_cast<DZBannerView>(shared_from_this()));
    return true;
}

DZMediationConnectorKind DZBannerView::connectorKindForAd(const DZAd&) {
    return DZMediationConnectorKind::kBanner;
}

// --- view hierarchy ---

void DZBannerView::cacheViewHierarchyInformationForSlot(DZSlot&) {
    auto defaults = platform::UserDefaults::standard();
    int64_t count = kDefaultParentViewCount;
    if (auto stored = defaults ? defaults->integerForKey(kParentViewCountKey) : std::nullopt) count = *stored;
    nlohmann::json parents = nlohmann::json::array();
    const View* child = this;
    for (auto parent = superview(); parent && count > 0; parent = parent->superview(), --count) {
        long index = -1;
        const auto& siblings = parent->subviews();
        for (std::size_t i = 0; i < siblings.size(); ++i)
            if (siblings[i].get() == child) index = static_cast<long>(i);
        parents.push_back({{"type", parent->className()},
                           {"index_of_child", index},
                           {"is_hidden", parent->isHidden()},
                           {"clips_to_bounds", parent->clipsToBounds()}});
        child = parent.get();
    }
    std::lock_guard lock(viewHierarchyLock_);
    viewHierarchy_ = nlohmann::json{{"creator_class", className()}, {"parents", std::move(parents)}};
}

std::optional<nlohmann::json> DZBannerView::viewHierarchyInformationForSlot(DZSlot&) {
    std::lock_guard lock(viewHierarchyLock_);
    return viewHierarchy_;
}
