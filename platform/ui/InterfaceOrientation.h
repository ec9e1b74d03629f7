#pragma once
// Interface orientations in the phone platform's numbering, and their masks (bit n = n).

namespace platform::ui {

enum class InterfaceOrientation : int {
    Portrait = 1,
    PortraitUpsideDown = 2,
    LandscapeRight = 3,
    LandscapeLeft = 4,
};

inline unsigned interfaceOrientationMask(InterfaceOrientation o) {
    return 1u << static_cast<int>(o);
}

}  // namespace platform::ui
