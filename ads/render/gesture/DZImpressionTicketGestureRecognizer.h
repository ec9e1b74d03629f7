#pragma once
// The debug gesture on an ad view: one finger drawn right, left, right, left, each stroke but the
// last at least kMinimumStroke points long, with no step of more than kMaxVerticalStep points up
// or down. Recognised when the finger lifts after the fourth stroke.
#include "ads/render/gesture/DZGestureRecognizer.h"

class DZImpressionTicketGestureRecognizer : public DZGestureRecognizer {
  public:
    static constexpr float kMinimumStroke = 15;
    static constexpr float kMaxVerticalStep = 5;

    using DZGestureRecognizer::DZGestureRecognizer;

    // The stroke under way: 0 before the first move, then 1 to 4.
    int gestureState() const { return gestureState_; }
    // Points travelled in the stroke under way.
    float distanceMoved() const { return distanceMoved_; }

  protected:
    void began(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void moved(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void ended(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void cancelled(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void reset() override;

  private:
    int gestureState_ = 0;
    float distanceMoved_ = 0;
};
