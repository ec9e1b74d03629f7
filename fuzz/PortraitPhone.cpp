// The two facts the ad model reads from the rest of the component, as a phone in portrait has
// them: the fuzz build leaves out the device and view layers.
#include <optional>
#include <string>

#include "ads/core/DZAdSize.h"
#include "ads/foundation/DZViewUtilities.h"
#include "platform/ui/InterfaceOrientation.h"

DZAdSizeScreen DZAdSizeScreen::current() {
    return DZAdSizeScreen{platform::Rect(0, 0, 320, 568), 320};
}

unsigned DZInterfaceOrientationMaskFromString(const std::optional<std::string>& name) {
    if (name == "any") return platform::ui::kInterfaceOrientationMaskAll;
    if (name == "portrait") return platform::ui::kInterfaceOrientationMaskPortrait;
    if (name == "landscape") return platform::ui::kInterfaceOrientationMaskLandscape;
    return 0;
}
