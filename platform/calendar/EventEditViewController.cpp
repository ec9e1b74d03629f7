#include "platform/calendar/EventEditViewController.h"

#include "platform/calendar/EventStore.h"

namespace platform::calendar {

void EventEditViewController::complete(EventEditAction action) {
    // The delegate closes the editor, which may be its last owner.
    auto self = shared_from_this();
    if (action == EventEditAction::Saved && (!store_ || !store_->saveEvent(event_))) {
        action = EventEditAction::Cancelled;
    }
    if (auto delegate = delegate_.lock()) delegate->eventEditViewControllerDidComplete(*this, action);
}

}  // namespace platform::calendar
