#pragma once
// Samples how much of one view can be seen (its visible bounds in window coordinates) on a
// repeating main-loop timer and tells its delegate after each sample. The view and the delegate
// are held weakly: the owner of the monitor is usually its delegate, and a view going away
// samples as the zero rectangle. The sampling interval is asked for at each start (from the
// monitor's owner, which knows what the core page said) and kept between kMinimumSamplingInterval and
// kMaximumSamplingInterval whatever the server sent. Sampling and the timer run on the main
// thread; the sampled values may be read from any thread.
#include <functional>
#include <memory>
#include <mutex>

#include "platform/geometry/Geometry.h"

namespace platform::ui {
class View;
}
class DZScheduler;
class DZZadavaDuruMonitor;

class DZZadavaDuruMonitorDelegate {
  public:
    virtual ~DZZadavaDuruMonitorDelegate() = default;
    virtual void zadavaDuruMonitorDidRefresh(DZZadavaDuruMonitor& monitor) = 0;
};

class DZZadavaDuruMonitor : public std::enable_shared_from_this<DZZadavaDuruMonitor> {
  public:
    static constexpr double kMinimumSamplingInterval = 0.1;
    static constexpr double kMaximumSamplingInterval = 60;
    // Until a core page says otherwise.
    static constexpr double kDefaultSamplingInterval = 0.4;

    // Null for a null view. Without a samplingInterval source the default interval is used.
    static std::shared_ptr<DZZadavaDuruMonitor> initWithView(const std::shared_ptr<platform::ui::View>& view,
                                                             std::function<double()> samplingInterval = {});
    ~DZZadavaDuruMonitor();
    DZZadavaDuruMonitor(const DZZadavaDuruMonitor&) = delete;
    DZZadavaDuruMonitor& operator=(const DZZadavaDuruMonitor&) = delete;

    // The interval a sampling interval from the server stands for (not a number: the minimum).
    static double usableSamplingInterval(double seconds);

    // Starts sampling unless it runs already.
    void startMonitoring();
    // Stops sampling; harmless when it does not run.
    void stopMonitoring();
    bool isMonitoring() const;
    // One sample now (on the main thread).
    void sample();
    // Main thread: samples the view and tells the delegate.
    void updateViewBounds();

    void setDelegate(std::weak_ptr<DZZadavaDuruMonitorDelegate> delegate);
    std::shared_ptr<DZZadavaDuruMonitorDelegate> delegate() const;
    platform::Rect monitoredViewVisibleBounds() const;
    void setMonitoredViewVisibleBounds(const platform::Rect& bounds);
    bool monitoredViewVisible() const;
    // Null once the view is gone.
    std::shared_ptr<platform::ui::View> monitoredView() const { return view_.lock(); }

  private:
    DZZadavaDuruMonitor(const std::shared_ptr<platform::ui::View>& view,
                        std::function<double()> samplingInterval);

    const std::weak_ptr<platform::ui::View> view_;
    const std::function<double()> samplingInterval_;
    // Start and stop may come from any thread (the destructor stops on whichever thread lets go
    // last), the sampled values are written on the main thread and may be read from any.
    mutable std::mutex mutex_;
    std::shared_ptr<DZScheduler> scheduler_;
    platform::Rect visibleBounds_;
    bool visible_ = false;
    std::weak_ptr<DZZadavaDuruMonitorDelegate> delegate_;
};
