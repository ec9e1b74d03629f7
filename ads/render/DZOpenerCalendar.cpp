// The opener's part in a creative's calendar event. The desktop gives the app no calendar to
// write to, so once the event is read and the user has touched the ad, the creative hears that
// its event was cancelled; the editor joins here with a calendar that can be written.
#include "ads/core/DZAd.h"
#include "ads/core/DZSlot.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/DZAdView.h"
#include "ads/render/DZMRAIDCalendarProperties.h"
#include "ads/render/DZOpener.h"
#include "platform/calendar/EventStore.h"

namespace {

constexpr const char* kAction = "createCalendarEvent";

void reportError(DZOpener& opener, const std::string& message) {
    auto slot = opener.slot();
    auto handler = slot && slot->ad() ? slot->ad()->MRAIDEventHandler() : nullptr;
    if (handler) handler->handleError(message, kAction);
}

}  // namespace

void DZOpener::openCalendarWithDictionary(const std::map<std::string, std::string>& parameters) {
    auto self = shared_from_this();
    const DZMRAIDCalendarProperties properties(parameters);
    if (!shouldPerformOpenAction()) {
        reportError(*this, "Creating calendar events is not allowed until the user interacts with the ad.");
        return;
    }
    using platform::calendar::AuthorizationStatus;
    const auto status = platform::calendar::EventStore::shared().eventAuthorizationStatus();
    if (status != AuthorizationStatus::Denied && status != AuthorizationStatus::Restricted)
        DZLog("Calendar event of the ad not shown: this build has no event editor");
    if (auto view = adView()) view->dispatchSDKEvent("onCalendarEventCanceled", std::nullopt);
}
