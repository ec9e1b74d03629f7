#pragma once
// Interface orientations in the phone platform's numbering, and their masks (bit n = n).

namespace platform::ui {

enum class InterfaceOrientation : int {
    Portrait = 1,
    PortraitUpsideDown = 2,
    LandscapeRight = 3,
    LandscapeLeft = 4,
};

constexpr unsigned interfaceOrientationMask(InterfaceOrientation o) {
    return 1u << static_cast<int>(o);
}

// The masks ads and pages name by number: both portraits 6, both landscapes 24, all four 30.
inline constexpr unsigned kInterfaceOrientationMaskPortrait =
    interfaceOrientationMask(InterfaceOrientation::Portrait) |
    interfaceOrientationMask(InterfaceOrientation::PortraitUpsideDown);
inline constexpr unsigned kInterfaceOrientationMaskLandscape =
    interfaceOrientationMask(InterfaceOrientation::LandscapeRight) |
    interfaceOrientationMask(InterfaceOrientation::LandscapeLeft);
inline constexpr unsigned kInterfaceOrientationMaskAll =
    kInterfaceOrientationMaskPortrait | kInterfaceOrientationMaskLandscape;
static_assert(kInterfaceOrientationMaskPortrait == 6 && kInterfaceOrientationMaskLandscape == 24 &&
              kInterfaceOrientationMaskAll == 30);

}  // namespace platform::ui
