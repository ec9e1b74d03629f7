#pragma once
// Captures every touch on an ad view for the native signal collector: where the finger lifted
// (view points, truncated) and how long it was down (milliseconds; -1 when its touch-down was not
// seen). It never recognises, so the page always gets the touch. Points that are not numbers are
// not reported; far-off points and long durations are clamped to 32 bits.
#include <cstdint>
#include <functional>
#include <optional>

#include "ads/render/gesture/DZGestureRecognizer.h"

class DZAdViewTouchGestureRecognizer : public DZGestureRecognizer {
  public:
    // Receives (x, y, duration ms) on the main thread.
    using Sink = std::function<void(std::int32_t x, std::int32_t y, std::int32_t durationMs)>;

    // Reports to the process's signal collector.
    explicit DZAdViewTouchGestureRecognizer(const platform::ui::View* view);

    // Another receiver (null: the signal collector again).
    void setSink(Sink sink);
    // The event time (seconds) of the touch-down being timed; nothing when none is.
    std::optional<double> touchesBeganTimestamp() const { return touchesBeganTimestamp_; }

    // Milliseconds from down to up as a 32-bit count; -1 without a down.
    static std::int32_t durationMs(std::optional<double> down, double up);

  protected:
    void began(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void ended(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void cancelled(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;

  private:
    std::optional<double> touchesBeganTimestamp_;
    Sink sink_;
};
