#include "ads/core/DZAdSize.h"
#include "ads/foundation/DZDevice.h"

DZAdSizeScreen DZAdSizeScreen::current() {
    auto device = DZDevice::sharedInstance();
    DZAdSizeScreen screen;
    screen.portraitBounds = device->standardizedPortraitScreenBounds();
    screen.windowWidth = device->standardizedOrientedApplicationFrame().size.width;
    return screen;
}
