// The opener's part in a creative's calendar event: it is read, checked, and shown in the
// platform's event editor once the user has touched the ad and the calendar may be written. A
// calendar the app may not write (the desktop's) tells the creative its event was cancelled.
#include <map>

#include "ads/core/DZAd.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/mraid/DZMRAIDCalendarProperties.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZOverlayProxy.h"
#include "platform/calendar/EventEditViewController.h"
#include "platform/calendar/EventStore.h"
#include "platform/dispatch/DispatchQueue.h"

using platform::calendar::AuthorizationStatus;
using platform::calendar::EventEditViewController;

namespace {

constexpr const char* kAction = "createCalendarEvent";
// Longer texts are no event a person would keep.
constexpr std::size_t kMaxFieldBytes = 4096;
constexpr std::size_t kMaxQuotedBytes = 256;

void reportError(DZOpener& opener, const std::string& message) {
    auto host = opener.host();
    auto handler = host && host->ad() ? host->ad()->MRAIDEventHandler() : nullptr;
    if (handler) handler->handleError(message, kAction);
}

void reportCancelled(DZOpener& opener) {
    if (auto view = opener.adView()) view->dispatchSDKEvent("onCalendarEventCanceled", std::nullopt);
}

std::string describe(const std::map<std::string, std::string>& parameters) {
    std::string text = "{";
    for (const auto& [key, value] : parameters) {
        if (text.size() > 1) text += ", ";
        text += key + " = \"" + value + "\"";
        if (text.size() > kMaxQuotedBytes) return text.substr(0, kMaxQuotedBytes) + "...}";
    }
    return text + "}";
}

bool isEvent(const DZMRAIDCalendarProperties& properties) {
    const auto fits = [](const std::optional<std::string>& text) {
        return !text || text->size() <= kMaxFieldBytes;
    };
    return properties.startTime() &&
           (!properties.endTime() || *properties.endTime() >= *properties.startTime()) &&
           fits(properties.summary()) && fits(properties.eventDescription()) && fits(properties.location());
}

// What waits for the user's answer. The answer may come on another thread: only its number
// travels there, so nothing of the UI is ever let go of off the main thread.
struct PendingEditor {
    std::shared_ptr<DZOpener> opener;
    std::shared_ptr<EventEditViewController> editor;
    std::shared_ptr<DZOverlayProxy> proxy;
};

std::map<int, PendingEditor>& pendingEditors() {
    static std::map<int, PendingEditor> pending;
    return pending;
}

void presentEditor(DZOpener& opener, const std::shared_ptr<DZOverlayProxy>& proxy) {
    if (proxy->presentFromViewController(opener.viewController(), {})) opener.didOpenInApp();
}

}  // namespace

void DZOpener::openCalendarWithDictionary(const std::map<std::string, std::string>& parameters) {
    auto self = shared_from_this();
    const DZMRAIDCalendarProperties properties(parameters);
    if (!isEvent(properties)) {
        reportError(*this, "Could not fully parse event dictionary: " + describe(parameters));
        return;
    }
    if (!shouldPerformOpenAction()) {
        reportError(*this, "Creating calendar events is not allowed until the user interacts with the ad.");
        return;
    }
    auto store = platform::calendar::EventStore::sharedStore();
    platform::calendar::Event event;
    event.title = properties.eventDescription().value_or("");
    event.notes = properties.summary().value_or("");
    event.location = properties.location().value_or("");
    event.startDate = properties.startTime();
    event.endDate = properties.endTime().value_or(*properties.startTime() + std::chrono::hours(1));

    auto editor = std::make_shared<EventEditViewController>();
    auto proxy = DZOverlayProxy::create(editor);
    proxy->setHost(host_);
    proxy->setOpener(self);
    editor->setEditViewDelegate(weak_from_this());
    editor->setEvent(std::move(event));
    editor->setEventStore(store);

    switch (store->eventAuthorizationStatus()) {
        case AuthorizationStatus::NotDetermined: {
            static int lastTicket = 0;
            const int ticket = ++lastTicket;
            pendingEditors()[ticket] = {self, editor, proxy};
            store->requestAccessToEvents([main = platform::DispatchQueue::main(), ticket](bool granted) {
                main->async([ticket, granted] {
                    auto found = pendingEditors().find(ticket);
                    if (found == pendingEditors().end()) return;
                    auto pending = std::move(found->second);
                    pendingEditors().erase(found);
                    if (!granted) {
                        reportCancelled(*pending.opener);
                        return;
                    }
                    if (auto store = pending.editor->eventStore()) store->reset();
                    presentEditor(*pending.opener, pending.proxy);
                });
            });
            break;
        }
        case AuthorizationStatus::Authorized:
            presentEditor(*this, proxy);
            break;
        default:
            reportCancelled(*this);
            break;
    }
}

void DZOpener::eventEditViewControllerDidComplete(EventEditViewController& controller,
                                                  platform::calendar::EventEditAction) {
    auto self = shared_from_this();
    if (auto proxy = DZOverlayProxy::overlayProxyForViewController(&controller)) {
        proxy->relinquishScreenWithCompletion({});
    } else if (auto* presenting = controller.presentingViewController()) {
        presenting->dismissViewController(true);
    }
}
