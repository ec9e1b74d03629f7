#include "ads/render/viewability/DZZadavaDuruUnit.h"

#include "ads/core/DZRequest.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZDictionaryAdditions.h"
#include "ads/render/geometry/DZGeometry.h"
#include "ads/render/viewability/DZZadavaDuruMonitor.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

using platform::Rect;

nlohmann::json DZZadavaDuruUnit::dictionaryForBounds(const Rect& bounds) {
    const auto r = DZStandardizedRect(bounds);
    const float x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
    return {{"top", y}, {"bottom", y + h}, {"left", x}, {"right", x + w}};
}

nlohmann::json DZZadavaDuruUnit::parameters(const DZZadavaDuruMonitor& monitor, bool unloaded,
                                            const Slot& slot) {
    const auto view = monitor.monitoredView();
    platform::ui::Window* window = view ? view->window() : nullptr;
    const Rect adBox = view ? view->convertRectToWindow(view->bounds()) : Rect{};
    const bool shownWindow = window && !window->isHidden() && window->application().isActive();
    nlohmann::json unit = {
        {"adBox", dictionaryForBounds(adBox)},
        {"globalVisibleBox", dictionaryForBounds(monitor.monitoredViewVisibleBounds())},
        {"viewBox", dictionaryForBounds(window ? window->bounds() : Rect{})},
        {"screenDimension",
         dictionaryForBounds(DZDevice::sharedInstance()->standardizedOrientedApplicationFrame())},
        {"screenOrientation", platform::ui::Application::shared().statusBarOrientation()},
        {"isSubViewOfVisibleWindow", shownWindow ? "1" : "0"},
        {"isVisible", monitor.monitoredViewVisible() ? "1" : "0"},
        {"ad_type_mraid", slot.MRAIDEnabled ? "1" : "0"},
        {"zazoVersion", DZRequest::sdkVersion()},
        {"adFormat", adFormat(slot.interstitial)},
        {"timestamp", DZAbsoluteTime::absoluteTimeInMilliseconds()},
        {"hashCode", slot.zadavaDuruID},
    };
    if (slot.configuration) unit["zadavaDuruJSON"] = *slot.configuration;
    if (unloaded) unit["doneReasonCode"] = "u";
    return {{"units", nlohmann::json::array({std::move(unit)})}};
}

std::optional<std::string> DZZadavaDuruUnit::JSCommandWithParams(
    const std::optional<nlohmann::json>& parameters) {
    if (!parameters) return std::nullopt;
    auto text = dz_JSONStringPretty(*parameters, false);
    if (!text) return std::nullopt;
    return "ZAZO_updateZadavaDuru(" + *text + ")";
}
