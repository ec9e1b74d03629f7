#include "ads/foundation/DZViewUtilities.h"

#include <algorithm>

#include "platform/ui/Application.h"
#include "platform/ui/InterfaceOrientation.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/ViewSnapshot.h"
#include "platform/ui/Window.h"

using platform::Rect;
using platform::ui::View;

namespace {

std::optional<Rect> intersection(const Rect& a, const Rect& b) {
    const float x0 = std::max(a.minX(), b.minX()), y0 = std::max(a.minY(), b.minY());
    const float x1 = std::min(a.maxX(), b.maxX()), y1 = std::min(a.maxY(), b.maxY());
    if (x1 <= x0 || y1 <= y0) return std::nullopt;
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

// The rectangle dictionary of the ad requests: x, y, width and height as numbers.
nlohmann::json rectangleDictionary(const Rect& r) {
    return {{"x", r.minX()}, {"y", r.minY()}, {"width", r.size.width}, {"height", r.size.height}};
}

}  // namespace

unsigned DZInterfaceOrientationMaskFromString(const std::optional<std::string>& name) {
    if (!name) return 0;
    if (*name == "any") return platform::ui::kInterfaceOrientationMaskAll;
    if (*name == "portrait") return platform::ui::kInterfaceOrientationMaskPortrait;
    if (*name == "landscape") return platform::ui::kInterfaceOrientationMaskLandscape;
    return 0;
}

bool DZInterfaceOrientationMaskContainsOrientation(unsigned mask, int orientation) {
    if (orientation < 0 || orientation > 31) return false;
    return (mask & (1u << orientation)) != 0;
}

bool dz_supportsOrientations(const View& view, unsigned mask) {
    unsigned supported = platform::ui::interfaceOrientationMask(platform::ui::InterfaceOrientation::Portrait);
    if (auto* window = view.window(); window && window->rootViewController()) {
        supported = window->rootViewController()->supportedInterfaceOrientations();
    }
    return (supported & mask) != 0;
}

Rect dz_visibleBounds(const View& view) {
    platform::ui::Window* window = view.window();
    if (!window || !window->application().isActive() || window->isHidden()) return {};
    std::optional<Rect> visible = window->bounds();
    // The view's own bounds always count: what lies outside a view is not part of it.
    visible = intersection(*visible, view.convertRectToWindow(view.bounds()));
    for (const View* v = &view; v && visible; v = v->superview().get()) {
        if (v->isHidden()) return {};
        if (v->clipsToBounds()) visible = intersection(*visible, v->convertRectToWindow(v->bounds()));
    }
    return visible.value_or(Rect{});
}

void dz_fillSuperview(View& view) {
    if (!view.superview()) return;
    view.setFillsSuperview(true);
}

std::optional<platform::Image> dz_render(View& view) {
    // Views draw at the screen's scale: that is their content scale.
    const float scale = platform::ui::Screen::mainScale();
    return platform::ui::snapshotView(view, scale > 0 ? scale : 1);
}

std::optional<nlohmann::json> DZViewUtilities::positionOfView(const View& view,
                                                              const std::optional<Rect>& applicationFrame) {
    const Rect app = applicationFrame.value_or(Rect{});
    auto parent = view.superview();
    platform::ui::Window* window = view.window();
    if (!parent || !window) return std::nullopt;
    Rect r = parent->convertRectToWindow(view.frame());
    const Rect windowFrame = window->frame();
    r.origin.x += windowFrame.minX();
    r.origin.y += windowFrame.minY();
    const Rect own = view.frame();
    const bool visible = !view.isHidden() && r.minX() + own.size.width > 0 &&
                         r.minY() + own.size.height > 0 && !(r.minX() > app.size.width) &&
                         !(r.minY() > app.size.height);
    nlohmann::json position = rectangleDictionary(r);
    position["visible"] = visible;
    return position;
}
