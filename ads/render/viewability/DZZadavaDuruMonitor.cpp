#include "ads/render/viewability/DZZadavaDuruMonitor.h"

#include <algorithm>
#include <cmath>

#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/foundation/DZScheduler.h"
#include "ads/foundation/DZViewUtilities.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/View.h"

std::shared_ptr<DZZadavaDuruMonitor> DZZadavaDuruMonitor::initWithView(
    const std::shared_ptr<platform::ui::View>& view, std::function<double()> samplingInterval) {
    if (!view) return nullptr;
    return std::shared_ptr<DZZadavaDuruMonitor>(new DZZadavaDuruMonitor(view, std::move(samplingInterval)));
}

DZZadavaDuruMonitor::DZZadavaDuruMonitor(const std::shared_ptr<platform::ui::View>& view,
                                         std::function<double()> samplingInterval)
    : view_(view), samplingInterval_(std::move(samplingInterval)) {}

DZZadavaDuruMonitor::~DZZadavaDuruMonitor() {
    stopMonitoring();
}

double DZZadavaDuruMonitor::usableSamplingInterval(double seconds) {
    // An interval of 0 (or a tiny one) from the server would sample on every turn of the loop.
    if (std::isnan(seconds)) return kMinimumSamplingInterval;
    return std::clamp(seconds, kMinimumSamplingInterval, kMaximumSamplingInterval);
}

void DZZadavaDuruMonitor::startMonitoring() {
    std::shared_ptr<DZScheduler> scheduler;
    {
        std::lock_guard lock(mutex_);
        if (scheduler_) return;
        const double asked = samplingInterval_ ? samplingInterval_() : kDefaultSamplingInterval;
        scheduler_ = DZScheduler::initWithInterval(usableSamplingInterval(asked));
        scheduler = scheduler_;
    }
    std::weak_ptr<DZZadavaDuruMonitor> weak = weak_from_this();
    DZRunOnMainThread([weak, scheduler] {
        scheduler->taskIDScheduledOnQueue(platform::DispatchQueue::main(), [weak] {
            if (auto self = weak.lock()) self->updateViewBounds();
        });
        scheduler->start();
    });
}

void DZZadavaDuruMonitor::stopMonitoring() {
    std::shared_ptr<DZScheduler> scheduler;
    {
        std::lock_guard lock(mutex_);
        scheduler = std::move(scheduler_);
        scheduler_ = nullptr;
    }
    if (!scheduler) return;
    DZRunOnMainThread([scheduler] { scheduler->stop(); });
}

bool DZZadavaDuruMonitor::isMonitoring() const {
    std::lock_guard lock(mutex_);
    return scheduler_ != nullptr;
}

void DZZadavaDuruMonitor::sample() {
    std::weak_ptr<DZZadavaDuruMonitor> weak = weak_from_this();
    DZRunOnMainThread([weak] {
        if (auto self = weak.lock()) self->updateViewBounds();
    });
}

void DZZadavaDuruMonitor::updateViewBounds() {
    // The delegate may let go of this monitor while it is told.
    auto self = shared_from_this();
    const auto view = monitoredView();
    const platform::Rect bounds = view ? dz_visibleBounds(*view) : platform::Rect{};
    std::shared_ptr<DZZadavaDuruMonitorDelegate> delegate;
    {
        std::lock_guard lock(mutex_);
        visibleBounds_ = bounds;
        visible_ = bounds != platform::Rect{};
        delegate = delegate_.lock();
    }
    if (delegate) delegate->zadavaDuruMonitorDidRefresh(*this);
}

void DZZadavaDuruMonitor::setDelegate(std::weak_ptr<DZZadavaDuruMonitorDelegate> delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

std::shared_ptr<DZZadavaDuruMonitorDelegate> DZZadavaDuruMonitor::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

platform::Rect DZZadavaDuruMonitor::monitoredViewVisibleBounds() const {
    std::lock_guard lock(mutex_);
    return visibleBounds_;
}

void DZZadavaDuruMonitor::setMonitoredViewVisibleBounds(const platform::Rect& bounds) {
    std::lock_guard lock(mutex_);
    visibleBounds_ = bounds;
}

bool DZZadavaDuruMonitor::monitoredViewVisible() const {
    std::lock_guard lock(mutex_);
    return visible_;
}
