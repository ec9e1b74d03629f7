#pragma once
// A creative's request to be resized in place: its size, its offset from its current top-left
// corner, where its close control sits and whether it may leave the screen. Made only from a
// message carrying all six keys with finite, non-negative sizes; immutable once made.
#include <memory>
#include <string>

#include "ads/render/bridge/DZNotification.h"
#include "platform/geometry/Geometry.h"

class DZMRAIDResizeProperties {
  public:
    enum ClosePosition : int {
        kTopRight = 0,
        kTopCenter = 1,
        kTopLeft = 2,
        kCenter = 3,
        kBottomRight = 4,
        kBottomCenter = 5,
        kBottomLeft = 6,
    };
    static constexpr double kCloseButtonSize = 50.0;

    // Null unless "width", "height", "offsetX", "offsetY", "customClosePosition" and
    // "allowOffscreen" are all present and the numbers are usable.
    static std::shared_ptr<DZMRAIDResizeProperties> withDictionary(
        const DZNotification::Parameters& parameters);

    static platform::Rect closeButtonRectForPosition(int position, const platform::Rect& contentFrame);
    // Autoresizing mask bits of the close control (the platform/ui view mask values).
    static unsigned autoresizingMaskForClosePosition(int position);
    static bool isContentFrameValid(const platform::Rect& frame, const platform::Rect& bounds,
                                    bool allowOffscreen, int closeButtonPosition);

    platform::Size size() const { return size_; }
    platform::Point offset() const { return offset_; }
    int customClosePosition() const { return customClosePosition_; }
    bool allowOffscreen() const { return allowOffscreen_; }
    // For log lines and error texts.
    std::string description() const;

  private:
    platform::Size size_;
    platform::Point offset_;
    int customClosePosition_ = kTopRight;
    bool allowOffscreen_ = false;
};
