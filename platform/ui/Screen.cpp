#include "platform/ui/Screen.h"

#include <atomic>

namespace platform::ui {

namespace {

std::atomic<float>& scale() {
    static std::atomic<float> value{1.0f};
    return value;
}

}  // namespace

Rect Screen::mainBounds() {
    return Rect(0, 0, 320, 480);
}

float Screen::mainScale() {
    return scale().load();
}

void Screen::setMainScale(float value) {
    if (value > 0) scale().store(value);
}

}  // namespace platform::ui
