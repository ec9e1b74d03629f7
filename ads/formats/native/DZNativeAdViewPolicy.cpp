#include "ads/formats/native/DZNativeAdViewPolicy.h"

#include <algorithm>

#include "ads/formats/native/DZNativeAd.h"
#include "ads/formats/native/DZNativeAdAttribution.h"
#include "ads/formats/native/DZNativeAdAttributionView.h"
#include "ads/formats/native/DZNativeAdViewPolicyDelegate.h"
#include "ads/foundation/DZViewUtilities.h"
#include "ads/render/gesture/DZAttachedTouchGestureRecognizer.h"
#include "ads/render/swipe/DZPushTransitionView.h"
#include "ads/render/view/DZOverlayView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/View.h"

namespace {

nlohmann::json rectangle(const platform::Rect& r) {
    return {{"x", r.origin.x}, {"y", r.origin.y}, {"width", r.size.width}, {"height", r.size.height}};
}

bool contains(const platform::Rect& r, platform::Point p) {
    return p.x >= r.origin.x && p.y >= r.origin.y && p.x < r.origin.x + r.size.width &&
           p.y < r.origin.y + r.size.height;
}

}  // namespace

std::shared_ptr<DZNativeAdViewPolicy> DZNativeAdViewPolicy::create(
    const std::shared_ptr<platform::ui::View>& container, std::string attributionIconAssetName,
    std::string attributionTextAssetName) {
    if (!container || attributionIconAssetName.empty() || attributionTextAssetName.empty()) return nullptr;
    auto policy = std::make_shared<DZNativeAdViewPolicy>(container, std::move(attributionIconAssetName),
                                                         std::move(attributionTextAssetName));
    policy->attachToContainer();
    return policy;
}

DZNativeAdViewPolicy::DZNativeAdViewPolicy(const std::shared_ptr<platform::ui::View>& container,
                                           std::string iconName, std::string textName)
    : container_(container),
      attributionView_(DZNativeAdAttributionView::create({})),
      attributionIconAssetName_(std::move(iconName)),
      attributionTextAssetName_(std::move(textName)) {
    attributionView_->setHidden(true);
}

DZNativeAdViewPolicy::~DZNativeAdViewPolicy() {
    stopMonitoring();
}

void DZNativeAdViewPolicy::attachToContainer() {
    auto container = container_.lock();
    container->addSubview(attributionView_);
    container->setUserInteractionEnabled(true);
    // Neither recognizer takes touches from the app's views: a Button asset keeps its action.
    auto tap = std::make_shared<platform::ui::TapGestureRecognizer>();
    tap->setCancelsTouchesInView(false);
    std::weak_ptr<DZNativeAdViewPolicy> weak = weak_from_this();
    tap->addTarget(this, [weak](platform::ui::GestureRecognizer& recognizer) {
        auto policy = weak.lock();
        auto container = policy ? policy->container_.lock() : nullptr;
        if (container && recognizer.state() == platform::ui::GestureRecognizerState::Ended)
            policy->handleTap(recognizer.locationInView(container.get()));
    });
    container->addGestureRecognizer(tap);
    container->addGestureRecognizer(std::make_shared<DZAttachedTouchGestureRecognizer>(container.get()));
}

void DZNativeAdViewPolicy::setNativeAd(const std::shared_ptr<DZNativeAd>& ad) {
    if (ad == nativeAd_) return;
    nativeAd_ = ad;
    // The next ad counts its own impression.
    stopMonitoring();
    updateViews();
}

void DZNativeAdViewPolicy::replaceAsset(const std::string& name,
                                        const std::shared_ptr<platform::ui::View>& view) {
    if (assetView(name) == view) return;
    std::erase_if(assetViews_,
                  [&](const auto& entry) { return entry.second == name || entry.first.expired(); });
    if (view && !name.empty()) {
        // A view shows one asset: given for a second name, it leaves the first.
        std::erase_if(assetViews_, [&](const auto& entry) { return entry.first.lock() == view; });
        assetViews_.emplace_back(view, name);
    }
}

std::shared_ptr<platform::ui::View> DZNativeAdViewPolicy::assetView(const std::string& name) const {
    for (const auto& [weak, assetName] : assetViews_) {
        if (assetName != name) continue;
        if (auto view = weak.lock()) return view;
    }
    return nullptr;
}

void DZNativeAdViewPolicy::updateViews() {
    auto container = container_.lock();
    if (!container) return;
    const auto* attributing = dynamic_cast<const DZNativeAdSourceAttributing*>(nativeAd_.get());
    const auto attribution = attributing ? attributing->attribution() : nullptr;
    attributionView_->setAttribution(attribution);
    attributionView_->setHidden(!attribution || !attribution->hasContent());

    const auto* source = dynamic_cast<const DZOverlayViewSource*>(nativeAd_.get());
    auto overlay = source ? source->overlayView() : nullptr;
    auto shown = overlayView_.lock();
    if (overlay != shown) {
        if (shown) shown->removeFromSuperview();
        overlayView_ = overlay;
        if (overlay) {
            container->addSubview(overlay);
            dz_fillSuperview(*overlay);
        }
    }
    orderViews();
    container->setNeedsLayout();
}

void DZNativeAdViewPolicy::orderViews() {
    auto container = container_.lock();
    if (!container) return;
    container->bringSubviewToFront(attributionView_);
    if (auto overlay = overlayView_.lock(); overlay && overlay->superview() == container)
        container->bringSubviewToFront(overlay);
}

void DZNativeAdViewPolicy::layOutAttribution() {
    auto container = container_.lock();
    if (!container) return;
    const platform::Size size = attributionView_->sizeThatFits(container->bounds().size);
    attributionView_->setFrame({container->bounds().size.width - size.width, 0, size.width, size.height});
    attributionView_->setNeedsLayout();
}

void DZNativeAdViewPolicy::adViewDidLayoutSubviews() {
    orderViews();
    layOutAttribution();
    if (nativeAd_ && !nativeAd_->hasRecordedImpression()) checkForImpression();
}

void DZNativeAdViewPolicy::adViewDidMoveToWindow() {
    orderViews();
    if (nativeAd_ && !nativeAd_->hasRecordedImpression()) checkForImpression();
}

void DZNativeAdViewPolicy::checkForImpression() {
    auto container = container_.lock();
    if (!container) return;
    auto hold = shared_from_this();
    auto ad = nativeAd_;
    if (dz_visibleBounds(*container) == platform::Rect{}) {
        if (!monitor_) {
            monitor_ = DZZadavaDuruMonitor::initWithView(container);
            monitor_->setDelegate(hold);
            monitor_->startMonitoring();
        }
    } else {
        recordImpression();
    }
    if (auto* delegate = dynamic_cast<DZNativeAdViewPolicyDelegate*>(ad.get()))
        delegate->nativeAdViewPolicyDidStartTrackingView(*container);
}

void DZNativeAdViewPolicy::zadavaDuruMonitorDidRefresh(DZZadavaDuruMonitor& monitor) {
    if (&monitor == monitor_.get() && monitor.monitoredViewVisible()) recordImpression();
}

void DZNativeAdViewPolicy::recordImpression() {
    stopMonitoring();
    if (auto ad = nativeAd_) ad->recordImpression();
}

void DZNativeAdViewPolicy::stopMonitoring() {
    if (!monitor_) return;
    auto monitor = std::move(monitor_);
    monitor->setDelegate({});
    monitor->stopMonitoring();
}

platform::Rect DZNativeAdViewPolicy::rectInContainer(const platform::ui::View& view) const {
    auto container = container_.lock();
    auto parent = view.superview();
    const platform::Rect frame = view.frame();
    if (!container || !parent) return frame;
    const platform::Point a = parent->convertPoint(frame.origin, container.get());
    const platform::Point b = parent->convertPoint(
        {frame.origin.x + frame.size.width, frame.origin.y + frame.size.height}, container.get());
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
}

bool DZNativeAdViewPolicy::attributionShown() const {
    return !attributionView_->isHidden() && attributionView_->superview() == container_.lock();
}

void DZNativeAdViewPolicy::handleTap(platform::Point location) {
    auto hold = shared_from_this();
    auto ad = nativeAd_;
    if (!ad) return;
    std::shared_ptr<platform::ui::View> view;
    std::string name;
    if (attributionShown() && contains(attributionView_->frame(), location)) {
        const platform::Point inBadge = attributionView_->convertPointFromSuperview(location);
        if (contains(attributionView_->iconView()->frame(), inBadge)) {
            view = attributionView_->iconView();
            name = attributionIconAssetName_;
        } else {
            view = attributionView_->textView();
            name = attributionTextAssetName_;
        }
    } else {
        for (const auto& [weak, assetName] : assetViews_) {
            auto candidate = weak.lock();
            if (!candidate || !candidate->isShownUpToWindow()) continue;
            if (contains(rectInContainer(*candidate), location)) {
                view = candidate;
                name = assetName;
                break;
            }
        }
    }
    if (!view || name.empty()) return;
    ad->performClickOnView(view.get(), name, tapHandlingEnvironment(location));
}

nlohmann::json DZNativeAdViewPolicy::tapHandlingEnvironment(platform::Point location) const {
    nlohmann::json views = nlohmann::json::object();
    for (const auto& [weak, assetName] : assetViews_) {
        if (auto view = weak.lock()) views[assetName] = rectangle(rectInContainer(*view));
    }
    if (attributionShown()) {
        views[attributionIconAssetName_] = rectangle(rectInContainer(*attributionView_->iconView()));
        views[attributionTextAssetName_] = rectangle(rectInContainer(*attributionView_->textView()));
    }
    auto container = container_.lock();
    const platform::Rect onWindow =
        container ? container->convertRectToWindow(container->bounds()) : platform::Rect{};
    return {{"click_point", {{"x", location.x}, {"y", location.y}}},
            {"native_view_rectangle", rectangle(onWindow)},
            {"view_rectangles", views}};
}
