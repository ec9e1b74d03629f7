#include "ads/render/geometry/DZInterfaceRect.h"

#include "ads/foundation/DZDevice.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

using platform::Rect;

namespace {

bool interfaceFollowsScreen(const DZDevice* device) {
    if (device) return device->isOSAtLeastMajor(8, 0, 0);
    return DZDevice::sharedInstance()->isOSAtLeastMajor(8, 0, 0);
}

}  // namespace

Rect DZInterfaceRectFromScreenRectForOrientation(const Rect& r, int orientation, const Rect& screen,
                                                 const DZDevice* device) {
    if (interfaceFollowsScreen(device)) return r;
    const float w = screen.size.width, h = screen.size.height;
    switch (orientation) {
        case 2:
            return {w - r.maxX(), h - r.maxY(), r.size.width, r.size.height};
        case 3:
            return {r.minY(), w - r.maxX(), r.size.height, r.size.width};
        case 4:
            return {h - r.maxY(), r.minX(), r.size.height, r.size.width};
        default:
            return r;
    }
}

Rect DZInterfaceRectFromScreenRect(const Rect& r, const DZDevice* device) {
    if (interfaceFollowsScreen(device)) return r;
    return DZInterfaceRectFromScreenRectForOrientation(
        r, platform::ui::Application::shared().statusBarOrientation(), platform::ui::Screen::mainBounds(),
        device);
}
