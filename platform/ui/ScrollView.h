#pragma once
// A window onto a larger content area: the bounds origin is the content offset. Dragging
// scrolls within the content size; indicators show while dragging and when flashed.
#include "platform/ui/View.h"

namespace platform::ui {

class ScrollView : public View {
  public:
    ScrollView();
    explicit ScrollView(Rect frame);
    const char* className() const override { return "ScrollView"; }

    Size contentSize() const { return contentSize_; }
    void setContentSize(Size size) { change(contentSize_, size); }
    Point contentOffset() const { return bounds().origin; }
    // Moves at once; `animated` is accepted for the callers' sake.
    void setContentOffset(Point offset, bool animated = false);
    // Back to the top-left corner of the content.
    void scrollToTop() { setContentOffset({0, 0}); }
    // Scrolls by a distance (a mouse wheel), kept inside the content.
    void scrollBy(float dx, float dy);
    // Scrolls by the wheel and flashes the indicators, so where the text is shows while it turns.
    bool scrollWheel(Point location, float dx, float dy) override;
    // The largest offset the content allows (0 when it fits).
    Point maxContentOffset() const;

    bool showsVerticalScrollIndicator() const { return showsVertical_; }
    void setShowsVerticalScrollIndicator(bool shows) { change(showsVertical_, shows); }
    // The indicator stays while the content is larger than the view (a desktop has no finger
    // whose touch would flash it); interface files: "indicatorAlwaysShown".
    bool indicatorAlwaysShown() const { return indicatorAlwaysShown_; }
    void setIndicatorAlwaysShown(bool shown) { change(indicatorAlwaysShown_, shown); }
    // Shows the indicators briefly, to tell the user there is more to see.
    void flashScrollIndicators();
    int flashCount() const { return flashCount_; }
    bool indicatorsVisible() const;
    bool isDragging() const { return dragging_; }

    void touchesBegan(const TouchList& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchList& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchList& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchList& touches, const TouchEvent& event) override;
    void drawOverlay(DrawContext& ctx) override;
    void loadAttributes(InterfaceAttributes& attrs) override;

    static constexpr double kFlashSeconds = 1.0;

  private:
    Point clamp(Point offset) const;

    Size contentSize_;
    bool showsVertical_ = true;
    bool indicatorAlwaysShown_ = false;
    int flashCount_ = 0;
    double flashUntil_ = -1;
    bool flashPending_ = false;
    bool dragging_ = false;
    bool tracking_ = false;
    std::uint64_t trackedTouch_ = 0;
    Point dragStart_;
    Point offsetAtStart_;
};

}  // namespace platform::ui
