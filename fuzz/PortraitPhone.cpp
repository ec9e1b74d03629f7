// The screen the ad model reads from the device layer, as a phone in portrait has it: the fuzzers
// open no display.
#include "ads/core/DZAdSize.h"

DZAdSizeScreen DZAdSizeScreen::current() {
    return DZAdSizeScreen{platform::Rect(0, 0, 320, 568), 320};
}
